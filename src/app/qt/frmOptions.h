// The environment-settings dialog "環境設定": the shared folder, the member's name and password, and
// the unit of the reception check. During the first-time setup (SettingsReady false) it starts from
// the design values and the password box is off; while the program runs it shows the member's
// settings.
#pragma once

#include "model/state.h"

#include <QDialog>

#include <array>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace tw {

class CommonDialogs;
class frmMain;

class frmOptions : public QDialog {
    Q_OBJECT
public:
    // `timer` is the hidden note-settings dialog with the reception timer (may be null in tests).
    frmOptions(AppState& st, frmMain* timer, CommonDialogs& dialogs, QWidget* parent = nullptr);

    // True after the member moved to another shared folder in this dialog. The flag lives in the
    // process-wide state, where the start-up reads it.
    bool& pathChgFlag;

    // Controls, named as the forms name them.
    QTabWidget* tbsOptions = nullptr;
    std::array<QWidget*, 4> picOptions{};   // pages "一般", "色", "送受信", "文字" (only built ones are set)
    std::array<QLineEdit*, 3> txtStr{};     // 0 shared path, 1 name, 2 password
    QPushButton* btnDir = nullptr;
    QLabel* lblNID = nullptr;
    QComboBox* cmb1 = nullptr;              // unit of the reception-check interval
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    // Puts the check-unit box on its first entry ("分単位").
    void resetCheckUnitBox();
    // The name box and password box as the start-up reads them after the first-time setup.
    std::string nameText() const;
    std::string passwordText() const;

    // The dialog's size and place on the screen, in pixels, for a screen of this many twips.
    static QRect placement(int screenWidthTwips, int screenHeightTwips, int twipsPerPixelX, int twipsPerPixelY);

    static constexpr int kWidthTwips = 6240, kHeightTwips = 5376;

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

public slots:
    void done(int result) override;

private:
    void buildGeneralPage();
    void buildNetworkPage();
    void open();
    void transfer(int direction);
    void btnDir_Click();
    void cmdOK_Click();
    bool passwordKeyAccepted(const QKeyEvent& key) const;

    AppState& st_;
    frmMain* timer_;
    CommonDialogs& dialogs_;
    // The local settings the dialog shows, including those it has no control for yet.
    LocalConfig shown_;
    bool openedWhileRunning_ = false;
};

}  // namespace tw
