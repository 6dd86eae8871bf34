// The password dialog that turns a note back to its front side: a masked entry with a line below it
// that says which characters a password holds, OK and "ｷｬﾝｾﾙ". A wrong entry is told and the dialog
// stays; the right one sets st.passwordAccepted and closes it.
#pragma once

#include "model/state.h"

#include <QDialog>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tw {

class frmPass : public QDialog {
    Q_OBJECT
public:
    explicit frmPass(AppState& st, QWidget* parent = nullptr);

    QLabel* lbl = nullptr;
    QLineEdit* txt = nullptr;
    QLabel* lblChars = nullptr;   // kPasswordCharacters
    std::array<QPushButton*, 2> btn{};

private:
    void okClicked();

    AppState& st_;
};

}  // namespace tw
