#include "app/qt/frmOptions.h"

#include "app/groval.h"
#include "app/memberentry.h"
#include "app/options.h"
#include "messaging/qt/doorbell.h"
#include "messaging/receptioncheck.h"
#include "platform/autostart.h"
#include "platform/prompter.h"
#include "platform/qt/commondialogs.h"
#include "platform/screen.h"
#include "window/modes.h"
#include "window/qt/colours.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <utility>

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

uint32_t valueOfColour(const QColor& c) {
    return static_cast<uint32_t>(c.red()) | static_cast<uint32_t>(c.green()) << 8 | static_cast<uint32_t>(c.blue()) << 16;
}

QFont fontOf(const FontChoice& f) {
    QFont font(QString::fromStdString(f.name));
    if (f.points > 0) font.setPointSizeF(f.points);
    font.setBold(f.bold);
    font.setItalic(f.italic);
    return font;
}

QLabel* caption(const char* text, QWidget* parent) { return new QLabel(q(text), parent); }

}  // namespace

frmOptions::frmOptions(AppState& st, ReceptionTimer* timer, CommonDialogs& dialogs, QWidget* parent)
    : QDialog(parent), st_(st), timer_(timer), dialogs_(dialogs) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(q("環境設定"));
    setModal(true);

    tbsOptions = new QTabWidget(this);
    tbsOptions->setObjectName(QStringLiteral("tbsOptions"));
    buildGeneralPage();
    buildColourPage();
    buildNetworkPage();
    buildTextPage();

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
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    layout->addWidget(tbsOptions);
    layout->addLayout(buttons);
    showControls(defaultLocalConfig());
}

QWidget* frmOptions::addPage(int index, const char* text, const char* key, const char* tip) {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("picOptions%1").arg(index));
    picOptions[static_cast<size_t>(index)] = page;
    const int tab = tbsOptions->addTab(page, q(text));
    tbsOptions->setTabToolTip(tab, q(tip));
    tbsOptions->tabBar()->setTabData(tab, QString::fromLatin1(key));
    return page;
}

void frmOptions::buildGeneralPage() {
    QWidget* page = addPage(0, "一般", "Group1", "環境の設定");

    auto* frame = new QGroupBox(q("参照設定"), page);
    auto* grid = new QGridLayout(frame);
    grid->setVerticalSpacing(3);
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
    lblNID->setMinimumWidth(40);

    grid->addWidget(caption("共有パス名 :", frame), 0, 0);
    grid->addWidget(txtStr[0], 0, 1, 1, 3);
    grid->addWidget(btnDir, 0, 4);
    grid->addWidget(caption("名前 :", frame), 1, 0);
    grid->addWidget(txtStr[1], 1, 1);
    grid->addWidget(caption("ＩＤ :", frame), 1, 2);
    grid->addWidget(lblNID, 1, 3, 1, 2);
    grid->addWidget(caption("パスワード :", frame), 2, 0);
    grid->addWidget(txtStr[2], 2, 1);
    // The box swallows every other key: the line beside it says which ones it takes.
    QLabel* pwChars = caption(kPasswordCharacters, frame);
    pwChars->setObjectName(QStringLiteral("lblPwChars"));
    grid->addWidget(pwChars, 2, 2, 1, 3);
    grid->setColumnStretch(1, 1);

    auto* period = new QGroupBox(q("期間設定"), page);
    auto* pg = new QGridLayout(period);
    pg->setVerticalSpacing(3);
    const char* rows[2] = {"注意期間 :", "警告期間 :"};
    for (int row = 0; row < 2; ++row) {
        pg->addWidget(caption(rows[row], period), row, 0);
        for (int k = 0; k < 2; ++k) {
            const size_t box = static_cast<size_t>(row * 2 + k);
            auto* cell = new QHBoxLayout;
            cell->setSpacing(0);
            txtInt[box] = new QLineEdit(period);
            txtInt[box]->setObjectName(QStringLiteral("txtInt%1").arg(box));
            txtInt[box]->setMaxLength(5);
            txtInt[box]->setFixedWidth(44);
            txtInt[box]->installEventFilter(this);
            vsc[box] = new QScrollBar(Qt::Vertical, period);
            vsc[box]->setObjectName(QStringLiteral("vsc%1").arg(box));
            cell->addWidget(txtInt[box]);
            cell->addWidget(vsc[box]);
            cell->addWidget(caption(k == 0 ? "日前" : "分前", period));
            cell->addSpacing(8);
            pg->addLayout(cell, row, 1 + k);
        }
    }
    pg->addWidget(caption("タイマーの設定時刻 :", period), 2, 0, 1, 3);
    auto* timerRow = new QHBoxLayout;
    const char* refs[3] = {"記載時刻", "警告期間", "注意期間"};
    for (size_t i = 0; i < 3; ++i) {
        optTmr[i] = new QRadioButton(q(refs[i]), period);
        optTmr[i]->setObjectName(QStringLiteral("optTmr%1").arg(i));
        timerRow->addWidget(optTmr[i]);
    }
    timerRow->addStretch();
    pg->addLayout(timerRow, 3, 0, 1, 3);
    pg->setColumnStretch(2, 1);

    // The start at login: the desktop's autostart entry of this user, nothing of the shared folder.
    chkAutostart = new QCheckBox(q("ログイン時に起動する(&A)"), page);
    chkAutostart->setObjectName(QStringLiteral("chkAutostart"));
    chkAutostart->setVisible(false);

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(frame);
    layout->addWidget(period);
    layout->addWidget(chkAutostart);
    layout->addStretch();
}

void frmOptions::buildColourPage() {
    QWidget* page = addPage(1, "色", "Group2", "付箋の色の設定");
    auto* frame = new QGroupBox(q("付箋の色"), page);
    auto* grid = new QGridLayout(frame);
    grid->setVerticalSpacing(3);
    const char* classes[5] = {"通常時 :", "注意期間 :", "警告期間 :", "受信伝言 :", "送信伝言 :"};
    for (size_t i = 0; i < 5; ++i) {
        const int row = static_cast<int>(i);
        grid->addWidget(caption(classes[i], frame), row, 0);
        pic[i] = new QFrame(frame);
        pic[i]->setObjectName(QStringLiteral("pic%1").arg(i));
        pic[i]->setFrameShape(QFrame::Box);
        pic[i]->setAutoFillBackground(true);
        pic[i]->setFixedSize(90, 24);
        lblT[i] = new QLabel(q("メモ"), pic[i]);
        lblT[i]->setObjectName(QStringLiteral("lblT%1").arg(i));
        auto* inner = new QHBoxLayout(pic[i]);
        inner->setContentsMargins(2, 0, 2, 0);
        inner->addWidget(lblT[i], 0, Qt::AlignCenter);
        grid->addWidget(pic[i], row, 1);
        for (size_t k = 0; k < 2; ++k) {
            const size_t b = i + 5 * k;
            btnCol[b] = new QPushButton(q(k == 0 ? "背景" : "文字"), frame);
            btnCol[b]->setObjectName(QStringLiteral("btnCol%1").arg(b));
            connect(btnCol[b], &QPushButton::clicked, this, [this, b] { btnCol_Click(b); });
            grid->addWidget(btnCol[b], row, 2 + static_cast<int>(k));
        }
    }
    grid->setColumnStretch(4, 1);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(frame);
    layout->addStretch();
}

void frmOptions::buildNetworkPage() {
    QWidget* page = addPage(2, "送受信", "Group3", "ネットワーク関連の設定");
    auto* frame = new QGroupBox(q("共有設定"), page);
    auto* grid = new QGridLayout(frame);
    grid->setVerticalSpacing(3);

    grid->addWidget(caption("共有者一覧 :", frame), 0, 0, 1, 2);
    lsvNetU = new QTreeWidget(frame);
    lsvNetU->setObjectName(QStringLiteral("lsvNetU"));
    lsvNetU->setHeaderLabels({q("名前"), q("ID")});
    lsvNetU->setRootIsDecorated(false);
    lsvNetU->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lsvNetU->header()->setStretchLastSection(false);
    lsvNetU->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    lsvNetU->header()->resizeSection(1, 50);
    lsvNetU->installEventFilter(this);
    connect(lsvNetU, &QTreeWidget::itemSelectionChanged, this, &frmOptions::updateMemberButtons);
    grid->addWidget(lsvNetU, 1, 0, 3, 1);
    const char* net[2] = {"削除(&D)", "ｸﾘｱ(&C)"};
    for (size_t i = 0; i < 2; ++i) {
        btnNet[i] = new QPushButton(q(net[i]), frame);
        btnNet[i]->setObjectName(QStringLiteral("btnNet%1").arg(i));
        btnNet[i]->setEnabled(false);
        connect(btnNet[i], &QPushButton::clicked, this, [this, i] { btnNet_Click(i); });
        grid->addWidget(btnNet[i], 1 + static_cast<int>(i), 1);
    }

    auto* interval = new QHBoxLayout;
    interval->setSpacing(0);
    interval->addWidget(caption("受信確認間隔 :", frame));
    interval->addSpacing(6);
    txtInt[4] = new QLineEdit(frame);
    txtInt[4]->setObjectName(QStringLiteral("txtInt4"));
    txtInt[4]->setMaxLength(5);
    txtInt[4]->setFixedWidth(44);
    txtInt[4]->installEventFilter(this);
    vsc[4] = new QScrollBar(Qt::Vertical, frame);
    vsc[4]->setObjectName(QStringLiteral("vsc4"));
    cmb1 = new QComboBox(frame);
    cmb1->setObjectName(QStringLiteral("cmb1"));
    cmb1->addItems({q("分単位"), q("時間単位"), q("秒単位")});
    // Another unit gives the interval other limits: the box starts empty.
    connect(cmb1, &QComboBox::activated, this, [this] { txtInt[4]->clear(); });
    interval->addWidget(txtInt[4]);
    interval->addWidget(vsc[4]);
    interval->addSpacing(6);
    interval->addWidget(cmb1);
    interval->addStretch();
    grid->addLayout(interval, 4, 0, 1, 2);
    // What an interval of 0 does depends on the unit: the line under the interval follows it.
    QLabel* zeroHint = caption(zeroIntervalHint(0).c_str(), frame);
    zeroHint->setObjectName(QStringLiteral("lblZeroHint"));
    connect(cmb1, &QComboBox::currentIndexChanged, zeroHint,
            [zeroHint](int unit) { zeroHint->setText(QString::fromStdString(zeroIntervalHint(unit))); });
    grid->addWidget(zeroHint, 5, 0, 1, 2);
    // The doorbell: members hear of a send at once instead of at their next check. Where it cannot
    // work here, the line under it says why, and the regular check is all there is.
    chkDoorbell = new QCheckBox(q("送受信をすぐに知らせ合う(&B)"), frame);
    chkDoorbell->setObjectName(QStringLiteral("chkDoorbell"));
    chkDoorbell->setChecked(true);
    chkDoorbell->setVisible(false);
    grid->addWidget(chkDoorbell, 6, 0, 1, 2);
    lblDoorbell = new QLabel(frame);
    lblDoorbell->setObjectName(QStringLiteral("lblDoorbell"));
    lblDoorbell->setWordWrap(true);
    lblDoorbell->setEnabled(false);   // greyed: a remark, not a warning
    lblDoorbell->setVisible(false);
    grid->addWidget(lblDoorbell, 7, 0, 1, 2);
    grid->setColumnStretch(0, 1);

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(frame);

    for (size_t box = 0; box < 5; ++box) {
        vsc[box]->setRange(-1, 1);
        vsc[box]->setValue(0);
        vsc[box]->setFixedSize(16, 24);
        connect(vsc[box], &QScrollBar::valueChanged, this, [this, box](int v) { spin(box, v); });
    }
}

void frmOptions::buildTextPage() {
    QWidget* page = addPage(3, "文字", "Group4", "付箋紙の文字の設定");
    auto* frame = new QGroupBox(q("付箋の文字種類"), page);
    auto* grid = new QGridLayout(frame);
    grid->setVerticalSpacing(3);
    const char* samples[3] = {"サイズ小の文字", "サイズ中の文字", "サイズ大の文字"};
    for (size_t i = 0; i < 3; ++i) {
        lblFont[i] = new QLabel(q(samples[i]), frame);
        lblFont[i]->setObjectName(QStringLiteral("lblFont%1").arg(i));
        lblFont[i]->setFrameShape(QFrame::StyledPanel);
        lblFont[i]->setFixedHeight(30);
        btnFont[i] = new QPushButton(q("変更"), frame);
        btnFont[i]->setObjectName(QStringLiteral("btnFont%1").arg(i));
        connect(btnFont[i], &QPushButton::clicked, this, [this, i] { btnFont_Click(i); });
        grid->addWidget(lblFont[i], static_cast<int>(i), 0, 1, 3);
        grid->addWidget(btnFont[i], static_cast<int>(i), 3);
    }
    grid->addWidget(caption("新しい付箋 :", frame), 3, 0);
    const char* sizes[3] = {"小", "中", "大"};
    auto* sizeRow = new QHBoxLayout;
    for (size_t i = 0; i < 3; ++i) {
        optTxt[i] = new QRadioButton(q(sizes[i]), frame);
        optTxt[i]->setObjectName(QStringLiteral("optTxt%1").arg(i));
        sizeRow->addWidget(optTxt[i]);
    }
    sizeRow->addStretch();
    grid->addLayout(sizeRow, 3, 1, 1, 3);
    chk = new QCheckBox(q("サイズ自動調整を行う"), frame);
    chk->setObjectName(QStringLiteral("chk"));
    grid->addWidget(chk, 4, 0, 1, 4);
    grid->addWidget(caption("※次回起動から有効", frame), 5, 0, 1, 4);
    grid->setColumnStretch(2, 1);

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(6, 6, 6, 6);
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
    openedWhileRunning_ = st_.SettingsReady;
    // While the program runs, no network check runs until the dialog closes. The first-time setup
    // leaves the timer off: the start-up arms it once the notes are loaded.
    if (!openedWhileRunning_) {
        if (timer_) timer_->offTimer();
    } else if (!pause_) {
        pause_.emplace(timer_);
    }

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
        // The list as the folder holds it now: members who joined since the start are in it.
        readMemberList(st_);
        fillMemberList();
        txtStr[0]->setEnabled(false);
        btnDir->setText(q("変更(&L)"));
        st_.pathChgFlag = false;
    } else {
        lsvNetU->clear();
        txtStr[0]->setEnabled(true);
        btnDir->setText(q("参照(&L)"));
    }
    btnDir->setEnabled(true);
    updateMemberButtons();
    if (autostart_) chkAutostart->setChecked(openedWhileRunning_ ? autostart_->enabled() : true);
    if (doorbell_) {
        chkDoorbell->setChecked(doorbell_->enabled());
        lblDoorbell->setText(doorbell_->status());
        lblDoorbell->setVisible(!doorbell_->status().isEmpty());
    }
}

void frmOptions::setAutostart(const Autostart* autostart, std::string program) {
    autostart_ = autostart;
    program_ = std::move(program);
    chkAutostart->setVisible(autostart != nullptr);
}

void frmOptions::setSetupProposal(std::string folder, std::string name) {
    proposedFolder_ = std::move(folder);
    proposedName_ = std::move(name);
}

bool frmOptions::acceptProposal() {
    // A proposal without a folder or a name would be refused with a box that nobody answers.
    if (proposedFolder_.empty() || proposedName_.empty()) return false;
    open();
    // Nobody chose a start at login here.
    chkAutostart->setChecked(false);
    cmdOK_Click();
    return st_.SettingsReady;
}

bool frmOptions::takeSetupAutostart() { return std::exchange(setupAutostart_, false); }

void frmOptions::setDoorbell(Doorbell* bell) {
    doorbell_ = bell;
    chkDoorbell->setVisible(bell != nullptr);
    if (!bell) lblDoorbell->setVisible(false);
}

void frmOptions::fillMemberList() {
    lsvNetU->clear();
    for (const UserEntry& u : st_.members) {
        auto* row = new QTreeWidgetItem(lsvNetU, {QString::fromStdString(u.MemberName), QString::number(u.MemberId)});
        row->setData(0, Qt::UserRole, static_cast<int>(u.MemberId));
    }
}

void frmOptions::showControls(const LocalConfig& cfg) {
    const std::array<int16_t, 5> numbers{cfg.CautionLeadDays, cfg.CautionLeadMinutes, cfg.WarningLeadDays,
                                         cfg.WarningLeadMinutes, cfg.CheckInterval};
    for (size_t i = 0; i < 5; ++i) txtInt[i]->setText(QString::number(numbers[i]));
    cmb1->setCurrentIndex(cfg.CheckUnit >= 0 && cfg.CheckUnit < cmb1->count() ? cfg.CheckUnit : 0);
    backColours_ = cfg.BackColours;
    textColours_ = cfg.TextColours;
    for (size_t i = 0; i < 5; ++i) {
        QPalette p = pic[i]->palette();
        p.setColor(QPalette::Window, colourFromValue(backColours_[i]));
        pic[i]->setPalette(p);
        QPalette t = lblT[i]->palette();
        t.setColor(QPalette::WindowText, colourFromValue(textColours_[i]));
        lblT[i]->setPalette(t);
    }
    // Presets without a name or size (settings of an older program) keep what the dialog shows.
    if (!cfg.Fonts[0].FontName.empty() && cfg.Fonts[0].FontSize > 0) {
        for (size_t i = 0; i < 3; ++i) {
            const FontPreset& f = cfg.Fonts[i];
            fonts_[i] = FontChoice{f.FontName, static_cast<double>(f.FontSize), f.Bold, f.Italic};
            lblFont[i]->setFont(fontOf(fonts_[i]));
        }
    }
    optTmr[static_cast<size_t>(std::clamp<int>(cfg.TimerBase, 0, 2))]->setChecked(true);
    optTxt[static_cast<size_t>(std::clamp<int>(cfg.DefaultTextSize, 0, 2))]->setChecked(true);
    chk->setChecked(cfg.AutoSizeDefault == 1);
}

void frmOptions::transfer(int direction) {
    if (direction == 0) {
        if (!st_.SettingsReady) {
            // The first-time setup shows the design values, the proposed folder and name.
            txtStr[0]->setText(QString::fromStdString(
                !st_.SharedPath.empty() ? st_.SharedPath : !proposedFolder_.empty() ? proposedFolder_ : st_.sys.programDir));
            txtStr[1]->setText(QString::fromStdString(proposedName_));
            return;
        }
        txtStr[0]->setText(QString::fromStdString(st_.SharedPath.empty() ? st_.sys.programDir : st_.SharedPath));
        const LocalConfig& cfg = st_.localConfig;
        txtStr[1]->setText(QString::fromStdString(cfg.MemberName));
        txtStr[2]->setText(QString::fromStdString(MemberPasswordOf(st_, cfg.MemberId)));
        lblNID->setText(QString::number(st_.CurrentMemberId));
        showControls(cfg);
        return;
    }

    const bool running = st_.SettingsReady;
    st_.SharedPath = txtStr[0]->text().toStdString();
    const std::string oldName = st_.localConfig.MemberName;
    const std::string password = passwordText();
    const std::string oldPassword = running ? MemberPasswordOf(st_, st_.localConfig.MemberId) : password;

    OptionsControls c;
    c.name = nameText();
    c.memberIdText = lblNID->text().toStdString();
    for (size_t i = 0; i < 5; ++i) c.numbers[i] = txtInt[i]->text().toStdString();
    c.checkUnit = std::max(0, cmb1->currentIndex());
    c.backColours = backColours_;
    c.textColours = textColours_;
    c.fonts = fonts_;
    for (size_t i = 0; i < 3; ++i) {
        if (optTmr[i]->isChecked()) c.timerBase = static_cast<int>(i);
        if (optTxt[i]->isChecked()) c.defaultTextSize = static_cast<int>(i);
    }
    c.autoSize = chk->isChecked();
    storeOptions(st_.localConfig, c, st_.pathChgFlag);

    const bool renamed = !oldName.empty() && oldName != st_.localConfig.MemberName;
    if (!st_.pathChgFlag && (renamed || password != oldPassword)) changeMemberEntry(st_, oldName, password);
    if (running) st_.CurrentPassword = MemberPasswordOf(st_, st_.CurrentMemberId);
}

// One step of an up/down control: the up arrow adds one, the down arrow takes one away; the control
// goes back to its middle at once.
void frmOptions::spin(size_t box, int value) {
    if (value == 0) return;
    const int unit = std::max(0, cmb1->currentIndex());
    const std::optional<std::string> next =
        spinStep(static_cast<int>(box), txtInt[box]->text().toStdString(), unit, value < 0 ? 1 : -1);
    if (next) txtInt[box]->setText(QString::fromStdString(*next));
    const QSignalBlocker still(vsc[box]);
    vsc[box]->setValue(0);
}

void frmOptions::btnDir_Click() {
    const bool running = st_.SettingsReady;
    if (running && st_.sys.prompter->ask("確認",
                                         "共有パスを変更すると現在の付箋表示を終了し、変更した環境で「名前」を元に"
                                         "再設定を行います。\r共有パスの変更を行いますか？",
                                         Icon::Information, Buttons::YesNo) != Answer::Yes)
        return;
    OpenFileRequest request;
    request.fileName = QStringLiteral("GRPINLY.CFG");
    request.filter = q(kSharedFileFilter);
    request.filterIndex = 2;
    if (QDir(txtStr[0]->text()).exists()) request.folder = txtStr[0]->text();
    std::optional<QString> file = dialogs_.openFile(this, request);
    if (!file) return;
    if (!running) {
        txtStr[0]->setText(folderOf(*file));
        return;
    }
    moveToFolder(folderOf(*file));
}

// The move while running: everything of the old folder is saved and closed, then the start-up runs
// again and finds the member in the new folder by his name.
void frmOptions::moveToFolder(const QString& folder) {
    const std::string text = "パス: " + txtStr[0]->text().toStdString() + "→" + folder.toStdString() + "\r" +
                             "名前: " + st_.localConfig.MemberName + "→" + nameText() + "\r" + "変更してよろしいですか？";
    if (st_.sys.prompter->ask("確認", text, Icon::Information, Buttons::OkCancel) != Answer::Ok) return;
    if (!host_) return;

    st_.pathChgFlag = true;
    transfer(-1);
    if (!saveForFolderMove(st_, nameText())) {   // told; the program cannot go on without its files
        reject();
        host_->endProgram(1);
        return;
    }
    host_->closeAllNotes();
    if (FileError e = switchToFolder(st_, folder.toStdString())) {
        st_.sys.prompter->ask("エラー", "共有パスの変更中にエラーが発生しました\r" + e.description, Icon::Warning,
                              Buttons::Ok);
        st_.pathChgFlag = false;
    }
    // In the new folder, or after a failure again in the old one: the notes come back on the screen.
    // The start-up arms the reception timer and checks once; the dialog's pause keeps it still.
    const StartupResult r = host_->restartInFolder();
    if (r != StartupResult::Running) {
        reject();
        host_->endProgram(exitCodeOf(r));
        return;
    }
    txtStr[0]->setText(QString::fromStdString(st_.SharedPath));
    lblNID->setText(QString::number(st_.CurrentMemberId));
    fillMemberList();
    updateMemberButtons();
}

void frmOptions::btnCol_Click(size_t i) {
    const bool text = i >= 5;
    const size_t k = text ? i - 5 : i;
    const uint32_t now = text ? textColours_[k] : backColours_[k];
    const std::optional<QColor> c = dialogs_.chooseColour(this, colourFromValue(now));
    if (!c) return;
    if (text) {
        textColours_[k] = valueOfColour(*c);
        QPalette p = lblT[k]->palette();
        p.setColor(QPalette::WindowText, *c);
        lblT[k]->setPalette(p);
    } else {
        backColours_[k] = valueOfColour(*c);
        QPalette p = pic[k]->palette();
        p.setColor(QPalette::Window, *c);
        pic[k]->setPalette(p);
    }
}

void frmOptions::btnFont_Click(size_t i) {
    const std::optional<QFont> f = dialogs_.chooseFont(this, fontOf(fonts_[i]));
    if (!f) return;
    fonts_[i] = FontChoice{f->family().toStdString(), f->pointSizeF(), f->bold(), f->italic()};
    lblFont[i]->setFont(fontOf(fonts_[i]));
}

void frmOptions::updateMemberButtons() {
    const bool any = openedWhileRunning_ && !lsvNetU->selectedItems().isEmpty();
    for (QPushButton* b : btnNet) b->setEnabled(any);
}

void frmOptions::btnNet_Click(size_t i) {
    const std::string who = i == 0 ? "選択された" : "全員の";
    if (st_.sys.prompter->ask("確認",
                              who + "ユーザを共有設定ファイルから削除します\r" +
                                  "削除されたユーザはアクセスできなくなります。よろしいですか？",
                              Icon::Information, Buttons::YesNo) != Answer::Yes)
        return;
    bool noneLeft = false;
    if (i == 1) {
        noneLeft = deleteAllMembers(st_);
    } else {
        std::vector<int16_t> ids;
        for (QTreeWidgetItem* row : lsvNetU->selectedItems())
            ids.push_back(static_cast<int16_t>(row->data(0, Qt::UserRole).toInt()));
        const MemberDelete r = deleteMembers(st_, ids);
        if (r == MemberDelete::Failed) return;
        noneLeft = r == MemberDelete::NoneLeft;
    }
    if (!noneLeft) {
        // The list as it is now in the folder, members who joined meanwhile included.
        fillMemberList();
        updateMemberButtons();
        return;
    }
    lsvNetU->clear();
    // Nobody is a member any more, this user neither: the program ends at once.
    reject();
    if (host_) host_->endProgram(0);
}

void frmOptions::cmdOK_Click() {
    if (txtStr[0]->text().isEmpty() || txtStr[1]->text().isEmpty()) {
        st_.sys.prompter->ask("再入力", "「共有パス名」または「名前」が入力されていません", Icon::Warning, Buttons::Ok);
        return;
    }
    // The proposed folder of one's own is made when the setup takes it.
    if (!openedWhileRunning_ && !proposedFolder_.empty() && txtStr[0]->text() == QString::fromStdString(proposedFolder_))
        QDir().mkpath(txtStr[0]->text());
    transfer(-1);
    st_.SettingsReady = true;
    if (doorbell_) doorbell_->setEnabled(chkDoorbell->isChecked());
    if (autostart_) {
        if (!openedWhileRunning_) {
            // Written once the setup has succeeded, by the program.
            setupAutostart_ = chkAutostart->isChecked();
        } else if (chkAutostart->isChecked() != autostart_->enabled()) {
            if (FileError e = autostart_->set(chkAutostart->isChecked(), program_))
                st_.sys.prompter->ask("エラー", "ログイン時の起動を設定できませんでした。\r" + autostart_->location() + "\r" + e.description,
                                      Icon::Warning, Buttons::Ok);
        }
    }
    accept();
}

void frmOptions::done(int result) {
    QDialog::done(result);
    // The reception timer runs again with the interval of the (possibly new) settings.
    pause_.reset();
}

// Ctrl+Tab shows the next tab, after the last the first.
void frmOptions::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Tab && e->modifiers() == Qt::ControlModifier) {
        tbsOptions->setCurrentIndex((tbsOptions->currentIndex() + 1) % tbsOptions->count());
        return;
    }
    QDialog::keyPressEvent(e);
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
    if (e->type() == QEvent::FocusOut) {
        if (watched == lsvNetU) updateMemberButtons();
        // A number box left with a value out of its range takes the focus back, without a word.
        for (size_t box = 0; box < 5; ++box) {
            if (watched != txtInt[box] || txtInt[box]->text().isEmpty()) continue;
            const int unit = std::max(0, cmb1->currentIndex());
            if (!numberBoxValid(static_cast<int>(box), txtInt[box]->text().toStdString(), unit))
                QTimer::singleShot(0, txtInt[box], [w = txtInt[box]] { w->setFocus(); });
        }
    }
    return QDialog::eventFilter(watched, e);
}

}  // namespace tw
