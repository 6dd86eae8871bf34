#include "platform/qt/qtjapanese.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>

namespace tw {

QStringList QtJapaneseTexts::folders() {
    QStringList out{QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
    // A Windows installation carries Qt's translations beside the program.
    if (QCoreApplication::instance())
        out << QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("translations"));
    return out;
}

QtJapaneseTexts::QtJapaneseTexts() {
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    for (const QString& folder : folders()) {
        if (translator_.load(QStringLiteral("qtbase_ja"), folder)) {
            installed_ = QCoreApplication::installTranslator(&translator_);
            break;
        }
    }
}

QtJapaneseTexts::~QtJapaneseTexts() {
    if (installed_ && QCoreApplication::instance()) QCoreApplication::removeTranslator(&translator_);
    QLocale::setDefault(previousLocale_);
}

}  // namespace tw
