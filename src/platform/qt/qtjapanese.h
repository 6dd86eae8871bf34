// Qt's own texts in Japanese: the standard buttons of message boxes and button boxes ("キャンセル"),
// and the standard dialogs (file, colour, font, print), with Japanese dates and numbers in them. The
// program speaks Japanese only, so these follow it whatever the user's locale is. The translations
// are Qt's own (qtbase_ja.qm); the program's own texts are not touched.
#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTranslator>

namespace tw {

class QtJapaneseTexts {
public:
    // Loads qtbase_ja.qm from Qt's translations folder, else from "translations" beside the program,
    // and installs it on the application; makes Japanese the default locale. Without the file Qt's
    // texts stay English.
    QtJapaneseTexts();
    // Takes the translations off the application again and restores the default locale.
    ~QtJapaneseTexts();
    QtJapaneseTexts(const QtJapaneseTexts&) = delete;
    QtJapaneseTexts& operator=(const QtJapaneseTexts&) = delete;

    bool installed() const { return installed_; }
    // The file in use; empty when none was found.
    QString file() const { return translator_.filePath(); }
    // The folders searched, in order.
    static QStringList folders();

private:
    QLocale previousLocale_;
    QTranslator translator_;
    bool installed_ = false;
};

}  // namespace tw
