// TACKWISP: until the start-up is in place the program shows its About box.
#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMessageBox::information(nullptr, QString::fromUtf8("バージョン情報"),
                             QString::fromUtf8("タックウィスプ Version 1.71 R08"));
    return 0;
}
