// The controls of a form, found the way the program names them: by their object names ("cmdOK",
// "txtStr0" for txtStr(0), ...). A control that is not there fails the test with its name and the
// form's, instead of handing a null pointer on.
#pragma once

#include <QObject>
#include <QString>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace tw::test {

// Thrown after the failure is recorded: the test cannot go on without the control.
class MissingControl : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The child of `form` named `name` of type T (never null).
template <class T>
T* control(const QObject& form, const QString& name) {
    if (T* found = form.findChild<T*>(name)) return found;
    const std::string what = "no control \"" + name.toStdString() + "\" of type " + T::staticMetaObject.className() +
                             " in \"" + form.objectName().toStdString() + "\"";
    ADD_FAILURE() << what;
    throw MissingControl(what);
}

template <class T>
T* control(const QObject& form, const char* name) {
    return control<T>(form, QString::fromUtf8(name));
}

// Element `index` of a control array: "txtStr" and 2 find txtStr(2), named "txtStr2".
template <class T>
T* control(const QObject& form, const char* name, size_t index) {
    return control<T>(form, QString::fromUtf8(name) + QString::number(index));
}

// Whether `form` has a child named `name` of type T now (controls made only while needed).
template <class T>
bool hasControl(const QObject& form, const char* name) {
    return form.findChild<T*>(QString::fromUtf8(name)) != nullptr;
}

}  // namespace tw::test
