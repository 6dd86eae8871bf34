// The controls of a form found by their names (support/qt/controls.h): found at any depth with their
// type, an element of a control array by its index, and a missing or differently typed control
// failing the test with its name and the form's.
#include "support/qt/controls.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <string>

namespace tw::test {
namespace {

struct Lookup {
    const char* name;
    const char* type;   // the type asked for
    bool found;
};

TEST(Controls, FoundByNameTypeAndIndex) {
    QWidget form;
    form.setObjectName(QStringLiteral("frmTest"));
    auto* ok = new QPushButton(&form);
    ok->setObjectName(QStringLiteral("cmdOK"));
    auto* frame = new QFrame(&form);
    auto* sample = new QLabel(frame);
    sample->setObjectName(QStringLiteral("lblT1"));

    EXPECT_EQ(control<QPushButton>(form, "cmdOK"), ok);
    EXPECT_EQ(control<QLabel>(form, "lblT", 1), sample) << "inside a frame of the form, lblT(1)";

    const Lookup lookups[] = {
        {"cmdOK", "QPushButton", true},
        {"lblT1", "QLabel", true},
        {"cmdOK", "QLabel", false},     // there, but of another type
        {"lblT0", "QLabel", false},     // another element of the array
        {"cmdCancel", "QPushButton", false},
    };
    for (const Lookup& l : lookups) {
        SCOPED_TRACE(l.name);
        const bool found = std::string(l.type) == "QLabel" ? hasControl<QLabel>(form, l.name)
                                                           : hasControl<QPushButton>(form, l.name);
        EXPECT_EQ(found, l.found) << l.type;
    }
}

// The form is made inside each checked statement: gtest's failure checks take no local variables.
TEST(Controls, AMissingControlFailsTheTestWithItsName) {
    EXPECT_NONFATAL_FAILURE(
        {
            QWidget form;
            form.setObjectName(QStringLiteral("frmTest"));
            EXPECT_THROW(control<QPushButton>(form, "cmdOK"), MissingControl);
        },
        "no control \"cmdOK\" of type QPushButton in \"frmTest\"");
    EXPECT_NONFATAL_FAILURE(
        {
            QWidget form;
            form.setObjectName(QStringLiteral("frmTest"));
            (new QLabel(&form))->setObjectName(QStringLiteral("txtStr2"));
            EXPECT_THROW(control<QPushButton>(form, "txtStr", 2), MissingControl);
        },
        "no control \"txtStr2\" of type QPushButton in \"frmTest\"");
}

}  // namespace
}  // namespace tw::test
