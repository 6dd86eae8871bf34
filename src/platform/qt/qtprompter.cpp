#include "platform/qt/qtprompter.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

namespace tw {

namespace {

// The captions a Japanese desktop gives the standard buttons. The first button is the default one,
// as with every message box of the system.
void addButton(QMessageBox& box, QMessageBox::StandardButton b, const char* caption) {
    QPushButton* button = box.addButton(b);
    button->setText(QString::fromUtf8(caption));
    if (!box.defaultButton()) box.setDefaultButton(button);
}

}  // namespace

QString QtPrompter::displayText(const std::string& text) {
    QString s = QString::fromStdString(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

void QtPrompter::build(QMessageBox& box, const std::string& title, const std::string& text, Icon icon,
                       Buttons buttons) {
    box.setWindowTitle(QString::fromStdString(title));
    box.setText(displayText(text));
    box.setTextFormat(Qt::PlainText);
    switch (icon) {
    case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    }
    switch (buttons) {
    case Buttons::Ok: addButton(box, QMessageBox::Ok, "OK"); break;
    case Buttons::OkCancel:
        addButton(box, QMessageBox::Ok, "OK");
        addButton(box, QMessageBox::Cancel, "キャンセル");
        break;
    case Buttons::YesNo:
        addButton(box, QMessageBox::Yes, "はい(&Y)");
        addButton(box, QMessageBox::No, "いいえ(&N)");
        break;
    case Buttons::YesNoCancel:
        addButton(box, QMessageBox::Yes, "はい(&Y)");
        addButton(box, QMessageBox::No, "いいえ(&N)");
        addButton(box, QMessageBox::Cancel, "キャンセル");
        break;
    case Buttons::RetryCancel:
        addButton(box, QMessageBox::Retry, "再試行(&R)");
        addButton(box, QMessageBox::Cancel, "キャンセル");
        break;
    }
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

Answer QtPrompter::ask(const std::string& title, const std::string& text, Icon icon, Buttons buttons) {
    QMessageBox box;
    build(box, title, text, icon, buttons);
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Retry: return Answer::Retry;
    default: break;
    }
    // Closed without a button (Esc, the close box, the end of the program): the box's way out.
    switch (buttons) {
    case Buttons::Ok: return Answer::Ok;
    case Buttons::YesNo: return Answer::No;
    default: return Answer::Cancel;
    }
}

}  // namespace tw
