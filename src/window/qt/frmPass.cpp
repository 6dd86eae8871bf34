#include "window/qt/frmPass.h"

#include "platform/prompter.h"
#include "window/modes.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tw {

frmPass::frmPass(AppState& st, QWidget* parent) : QDialog(parent), st_(st) {
    setObjectName(QStringLiteral("frmPass"));
    setWindowTitle(QString::fromStdString(kProductName));
    setFixedSize(260, 118);
    lbl = new QLabel(QStringLiteral("パスワードを入力して下さい"), this);
    lbl->setObjectName(QStringLiteral("lbl"));
    lbl->setGeometry(12, 8, 236, 20);
    txt = new QLineEdit(this);
    txt->setObjectName(QStringLiteral("txt"));
    txt->setEchoMode(QLineEdit::Password);
    // Every character shows as "*".
    txt->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    txt->setGeometry(12, 32, 236, 24);
    // Nothing typed is refused here; the line below says what a password holds (a password typed in
    // small letters never matches).
    lblChars = new QLabel(QString::fromUtf8(kPasswordCharacters), this);
    lblChars->setObjectName(QStringLiteral("lblChars"));
    lblChars->setGeometry(12, 58, 236, 18);
    btn[0] = new QPushButton(QStringLiteral("OK"), this);
    btn[1] = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    for (size_t i = 0; i < 2; ++i) {
        btn[i]->setObjectName(QStringLiteral("btn%1").arg(i));
        btn[i]->setGeometry(92 + static_cast<int>(i) * 80, 84, 74, 24);
    }
    btn[0]->setDefault(true);
    connect(btn[0], &QPushButton::clicked, this, &frmPass::okClicked);
    connect(btn[1], &QPushButton::clicked, this, &QDialog::reject);
}

void frmPass::okClicked() {
    if (!passwordMatches(txt->text().toStdString(), st_.CurrentPassword)) {
        st_.sys.prompter->ask(kProductName, "パスワードが違います", Icon::Warning, Buttons::Ok);
        txt->setFocus();
        txt->selectAll();
        return;
    }
    st_.passwordAccepted = true;
    accept();
}

}  // namespace tw
