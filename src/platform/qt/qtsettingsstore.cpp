#include "platform/qt/qtsettingsstore.h"

#include <QSettings>

namespace tw {

const char* const QtSettingsStore::kOrganisation = "VB and VBA Program Settings";

std::string QtSettingsStore::value(const std::string& app, const std::string& section, const std::string& key) {
    QSettings s(QString::fromUtf8(kOrganisation), QString::fromStdString(app));
    s.beginGroup(QString::fromStdString(section));
    return s.value(QString::fromStdString(key)).toString().toStdString();
}

void QtSettingsStore::deleteSection(const std::string& app, const std::string& section) {
    QSettings s(QString::fromUtf8(kOrganisation), QString::fromStdString(app));
    s.remove(QString::fromStdString(section));
    s.sync();
}

}  // namespace tw
