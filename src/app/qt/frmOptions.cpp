#include "app/qt/frmOptions.h"

#include "app/groval.h"
#include "app/memberentry.h"
#include "app/startup.h"
#include "dialogs/qt/frmMain.h"
#include "platform/codepage.h"
#include "platform/prompter.h"
#include "platform/qt/commondialogs.h"
#include "platform/screen.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tw {

namespace {

QString q(const char* utf8) { return QString::fromUtf8(utf8); }

const char* const kSharedFileFilter = "全てのファイル(*.*)|*.*|付箋共有ファイル(GRPINLY.CFG)|GRPINLY.CFG|";

// Shows every character of the password box as "*".
class StarPasswordStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* ret) const override {
        if (hint == SH_LineEdit_PasswordCharacter) return '*';
        if (hint == SH_LineEdit_PasswordMaskDelay) return 0;
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }
};

// The folder of a chosen file: everything before its last separator.
QString folderOf(const QString& file) {
    const qsizetype cut = std::max(file.lastIndexOf(QLatin1Char('/')), file.lastIndexOf(QLatin1Char('\\')));
    return cut < 0 ? QString() : file.left(cut);
}

}  // namespace

frmOptions::frmOptions(AppState& st, frmMain* timer, CommonDialogs& dialogs, QWidget* parent)
    : QDialog(parent), pathChgFlag(st.pathChgFlag), st_(st), timer_(timer), dialogs_(dialogs), shown_(defaultLocalConfig()) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(q("環境設定"));
    setModal(true);

    tbsOptions = new QTabWidget(this);
    tbsOptions->setObjectName(QStringLiteral("tbsOptions"));
    buildGeneralPage();
    buildNetworkPage();

    cmdOK = new QPushButton(q("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(q("ｷｬﾝｾﾙ"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tbsOptions);
    layout->addLayout(buttons);
}

void frmOptions::buildGeneralPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("picOptions0"));
    picOptions[0] = page;
    const int tab = tbsOptions->addTab(page, q("一般"));
    tbsOptions->setTabToolTip(tab, q("環境の設定"));
    tbsOptions->tabBar()->setTabData(tab, QStringLiteral("Group1"));

    auto* frame = new QGroupBox(q("参照設定"), page);
    auto* grid = new QGridLayout(frame);
    for (size_t i = 0; i < 3; ++i) {
        txtStr[i] = new QLineEdit(frame);
        txtStr[i]->setObjectName(QStringLiteral("txtStr%1").arg(i));
    }
    txtStr[0]->setToolTip(q("既にプログラムで使用して共有しようとする場合は同じ場所を指定します"));
    btnDir = new QPushButton(q("参照(&L)"), frame);
    btnDir->setObjectName(QStringLiteral("btnDir"));
    connect(btnDir, &QPushButton::clicked, this, &frmOptions::btnDir_Click);

    // The password: capital letters and digits only, shown as "*".
    QLineEdit* pw = txtStr[2];
    pw->setEchoMode(QLineEdit::Password);
    auto* style = new StarPasswordStyle;
    style->setParent(this);   // outlives the box, which is deleted with the tabs before it
    pw->setStyle(style);
    pw->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[A-Z0-9]*")), pw));
    pw->setContextMenuPolicy(Qt::NoContextMenu);
    pw->setAcceptDrops(false);
    pw->installEventFilter(this);

    lblNID = new QLabel(frame);
    lblNID->setObjectName(QStringLiteral("lblNID"));

    grid->addWidget(new QLabel(q("共有パス名 :"), frame), 0, 0);
    grid->addWidget(txtStr[0], 0, 1);
    grid->addWidget(btnDir, 0, 2);
    grid->addWidget(new QLabel(q("名前 :"), frame), 1, 0);
    grid->addWidget(txtStr[1], 1, 1, 1, 2);
    grid->addWidget(new QLabel(q("パスワード :"), frame), 2, 0);
    grid->addWidget(txtStr[2], 2, 1, 1, 2);
    grid->addWidget(new QLabel(q("ＩＤ :"), frame), 3, 0);
    grid->addWidget(lblNID, 3, 1, 1, 2);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(frame);
    layout->addStretch();
}

void frmOptions::buildNetworkPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("picOptions2"));
    picOptions[2] = page;
    const int tab = tbsOptions->addTab(page, q("送受信"));
    tbsOptions->setTabToolTip(tab, q("ネットワーク関連の設定"));
    tbsOptions->tabBar()->setTabData(tab, QStringLiteral("Group3"));

    auto* frame = new QGroupBox(q("共有設定"), page);
    cmb1 = new QComboBox(frame);
    cmb1->setObjectName(QStringLiteral("cmb1"));
    cmb1->addItems({q("分単位"), q("時間単位"), q("秒単位")});
    auto* frameLayout = new QHBoxLayout(frame);
    frameLayout->addWidget(cmb1);
    frameLayout->addStretch();

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(frame);
    layout->addStretch();
}

void frmOptions::resetCheckUnitBox() { cmb1->setCurrentIndex(0); }

std::string frmOptions::nameText() const { return txtStr[1]->text().toStdString(); }
std::string frmOptions::passwordText() const { return txtStr[2]->text().toStdString(); }

QRect frmOptions::placement(int screenWidthTwips, int screenHeightTwips, int twipsPerPixelX, int twipsPerPixelY) {
    const int tx = std::max(1, twipsPerPixelX), ty = std::max(1, twipsPerPixelY);
    const int w = kWidthTwips / tx, h = kHeightTwips / ty;
    return QRect((screenWidthTwips / tx - w) / 2, (screenHeightTwips / ty - h) / 2, w, h);
}

void frmOptions::showEvent(QShowEvent* e) {
    open();
    QDialog::showEvent(e);
}

void frmOptions::open() {
    if (timer_) timer_->offTimer();
    openedWhileRunning_ = st_.SettingsReady;

    // First-time setup: there is no member entry yet to hold a password.
    QLineEdit* pw = txtStr[2];
    pw->setEnabled(openedWhileRunning_);
    QPalette palette = this->palette();
    if (!openedWhileRunning_) palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    pw->setPalette(palette);

    Screen& screen = *st_.sys.screen;
    setGeometry(placement(screen.widthTwips(), screen.heightTwips(), screen.twipsPerPixelX(), screen.twipsPerPixelY()));
    transfer(0);

    if (openedWhileRunning_) {
        cmdOK->setFocus();
        txtStr[0]->setEnabled(false);
        // Moving to another folder while running comes with the rest of the dialog.
        btnDir->setText(q("変更(&L)"));
        btnDir->setEnabled(false);
        pathChgFlag = false;
    } else {
        txtStr[0]->setEnabled(true);
        btnDir->setText(q("参照(&L)"));
        btnDir->setEnabled(true);
    }
}

void frmOptions::transfer(int direction) {
    if (direction == 0) {
        txtStr[0]->setText(QString::fromStdString(st_.SharedPath.empty() ? st_.sys.programDir : st_.SharedPath));
        if (!st_.SettingsReady) {
            shown_ = defaultLocalConfig();
            return;
        }
        shown_ = st_.localConfig;
        txtStr[1]->setText(QString::fromStdString(shown_.MemberName));
        txtStr[2]->setText(QString::fromStdString(MemberPasswordOf(st_, shown_.MemberId)));
        lblNID->setText(QString::number(st_.CurrentMemberId));
        cmb1->setCurrentIndex(shown_.CheckUnit >= 0 && shown_.CheckUnit < cmb1->count() ? shown_.CheckUnit : 0);
        return;
    }

    const bool running = st_.SettingsReady;
    st_.SharedPath = txtStr[0]->text().toStdString();
    const std::string oldName = st_.localConfig.MemberName;
    const std::string password = passwordText();
    const std::string oldPassword = running ? MemberPasswordOf(st_, st_.localConfig.MemberId) : password;

    LocalConfig cfg = shown_;
    cfg.MemberName = pathChgFlag ? oldName : nameText();
    bool numeric = false;
    const int id = lblNID->text().toInt(&numeric);
    cfg.MemberId = numeric && id > 0 && id <= 32767 ? static_cast<int16_t>(id) : 0;
    cfg.CheckUnit = static_cast<int16_t>(std::max(0, cmb1->currentIndex()));
    st_.localConfig = cfg;

    const bool renamed = !oldName.empty() && oldName != cfg.MemberName;
    if (!pathChgFlag && (renamed || password != oldPassword)) changeMemberEntry(st_, oldName, password);
    if (running) st_.CurrentPassword = MemberPasswordOf(st_, st_.CurrentMemberId);
}

void frmOptions::btnDir_Click() {
    if (st_.SettingsReady) return;   // the move to another folder while running is not offered yet
    OpenFileRequest request;
    request.fileName = QStringLiteral("GRPINLY.CFG");
    request.filter = q(kSharedFileFilter);
    request.filterIndex = 2;
    if (QDir(txtStr[0]->text()).exists()) request.folder = txtStr[0]->text();
    std::optional<QString> file = dialogs_.openFile(this, request);
    if (!file) return;
    txtStr[0]->setText(folderOf(*file));
}

void frmOptions::cmdOK_Click() {
    if (txtStr[0]->text().isEmpty() || txtStr[1]->text().isEmpty()) {
        st_.sys.prompter->ask("再入力", "「共有パス名」または「名前」が入力されていません", Icon::Warning, Buttons::Ok);
        return;
    }
    transfer(-1);
    st_.SettingsReady = true;
    accept();
}

void frmOptions::done(int result) {
    QDialog::done(result);
    // The reception timer runs again with the interval of the (possibly new) settings. During the
    // first-time setup the start-up arms it once the notes are loaded.
    if (openedWhileRunning_ && timer_) timer_->setTimerInterval(timer_->onTimer());
}

bool frmOptions::passwordKeyAccepted(const QKeyEvent& key) const {
    if (key.key() == Qt::Key_Backspace) return true;
    if (key.matches(QKeySequence::Paste)) return false;
    const QString text = key.text();
    if (text.size() == 1) {
        const QChar c = text[0];
        if ((c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            return true;
    }
    // Keys that type nothing (moving the cursor, Tab, Enter, Esc) keep their usual meaning.
    for (QChar c : text)
        if (c.isPrint()) return false;
    return true;
}

bool frmOptions::eventFilter(QObject* watched, QEvent* e) {
    if (watched == txtStr[2] && e->type() == QEvent::KeyPress)
        return !passwordKeyAccepted(*static_cast<QKeyEvent*>(e));
    return QDialog::eventFilter(watched, e);
}

}  // namespace tw
