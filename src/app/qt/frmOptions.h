// The environment-settings dialog "環境設定" with its four tabs: "一般" (shared folder, name,
// password, member number, lead times of the periods, the alarm reference), "色" (the note colours),
// "送受信" (the member list and the reception-check interval) and "文字" (the text presets, the size
// and auto-size of new notes). During the first-time setup (SettingsReady false) it starts from the
// design values and the password box is off; while the program runs it shows the member's settings,
// manages the member list and moves the member to another shared folder.
#pragma once

#include "app/options.h"
#include "app/startup.h"
#include "model/state.h"
#include "notes/qt/receptiontimer.h"

#include <QDialog>

#include <array>
#include <optional>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTabWidget;
class QTreeWidget;

namespace tw {

class Autostart;
class CommonDialogs;
class Doorbell;

// What the dialog needs from the running program for a move to another shared folder and after the
// member list was deleted.
class OptionsHost {
public:
    virtual ~OptionsHost() = default;
    // Closes every note window of the old folder.
    virtual void closeAllNotes() = 0;
    // Runs the start-up again (in the folder the workstation file now names).
    virtual StartupResult restartInFolder() = 0;
    // Ends the program at once with this exit code.
    virtual void endProgram(int exitCode) = 0;
};

class frmOptions : public QDialog {
    Q_OBJECT
public:
    // `timer` is the program's reception timer, paused while the dialog is open (may be null in tests).
    frmOptions(AppState& st, ReceptionTimer* timer, CommonDialogs& dialogs, QWidget* parent = nullptr);

    void setHost(OptionsHost* host) { host_ = host; }
    // The program's doorbell, switched on or off on the "送受信" page (none: the page has no switch).
    void setDoorbell(Doorbell* bell);
    // The start at login, switched on or off on the "一般" page for `program` (its full path); none:
    // the page has no switch. The first-time setup offers it switched on.
    void setAutostart(const Autostart* autostart, std::string program);
    // What the first-time setup proposes: the shared folder (made when the setup is accepted with it)
    // and the member's name.
    void setSetupProposal(std::string folder, std::string name);
    // The first-time setup taken as proposed, without showing the dialog; false when it was not taken.
    bool acceptProposal();
    // Whether the first-time setup just accepted asked for the start at login; asking clears it.
    bool takeSetupAutostart();

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
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

public slots:
    void done(int result) override;

private:
    // Controls, named as the forms name them; the object names are these names, an element of an
    // array with its index appended ("txtStr0").
    QTabWidget* tbsOptions = nullptr;
    std::array<QWidget*, 4> picOptions{};   // pages "一般", "色", "送受信", "文字"
    std::array<QLineEdit*, 3> txtStr{};     // 0 shared path, 1 name, 2 password
    QPushButton* btnDir = nullptr;
    QLabel* lblNID = nullptr;
    std::array<QLineEdit*, 5> txtInt{};     // lead days/minutes of caution and warning, check interval
    std::array<QScrollBar*, 5> vsc{};       // their up/down controls
    std::array<QRadioButton*, 3> optTmr{};  // what an alarm time refers to
    std::array<QFrame*, 5> pic{};           // background samples of the colour classes
    std::array<QLabel*, 5> lblT{};          // text samples inside them
    std::array<QPushButton*, 10> btnCol{};  // 0..4 background, 5..9 text
    std::array<QLabel*, 3> lblFont{};       // the presets small, medium, large
    std::array<QPushButton*, 3> btnFont{};
    std::array<QRadioButton*, 3> optTxt{};  // text size of new notes
    QCheckBox* chk = nullptr;               // auto-size of new notes
    QCheckBox* chkAutostart = nullptr;      // the start at login on or off
    QCheckBox* chkDoorbell = nullptr;       // the doorbell on or off
    QLabel* lblDoorbell = nullptr;          // why the doorbell cannot work here (hidden while it can)
    QTreeWidget* lsvNetU = nullptr;         // the member list
    std::array<QPushButton*, 2> btnNet{};   // delete the selected members, delete all
    QComboBox* cmb1 = nullptr;              // unit of the reception-check interval
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    QWidget* addPage(int index, const char* caption, const char* key, const char* tip);
    void buildGeneralPage();
    void buildColourPage();
    void buildNetworkPage();
    void buildTextPage();
    void open();
    void transfer(int direction);
    void showControls(const LocalConfig& cfg);
    void fillMemberList();
    void spin(size_t box, int value);
    void btnDir_Click();
    void moveToFolder(const QString& folder);
    void btnCol_Click(size_t i);
    void btnFont_Click(size_t i);
    void btnNet_Click(size_t i);
    void updateMemberButtons();
    void cmdOK_Click();
    bool passwordKeyAccepted(const QKeyEvent& key) const;

    AppState& st_;
    ReceptionTimer* timer_;
    // Held from the showing of the dialog to its end: no network check meanwhile, also not while
    // the start-up runs again in another folder.
    std::optional<ReceptionTimer::Pause> pause_;
    CommonDialogs& dialogs_;
    OptionsHost* host_ = nullptr;
    Doorbell* doorbell_ = nullptr;
    const Autostart* autostart_ = nullptr;
    std::string program_;
    std::string proposedFolder_, proposedName_;
    bool setupAutostart_ = false;
    std::array<uint32_t, 5> backColours_{};
    std::array<uint32_t, 5> textColours_{};
    std::array<FontChoice, 3> fonts_{};
    bool openedWhileRunning_ = false;
};

}  // namespace tw
