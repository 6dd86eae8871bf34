// fmSendOp: the answer sheet of an answer-sheet questionnaire (choices as radio buttons, check boxes)
// and, in its other use, the window of the answer tally with file output and printing. The tally puts
// its text out through the AnswerOutput it was made with.
#pragma once

#include "model/state.h"
#include "questionnaire/answeritems.h"
#include "questionnaire/qt/answeroutput.h"
#include "questionnaire/tally.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QPrinter;
class QPushButton;
class QRadioButton;
class QScrollArea;

namespace tw {

class fmSendOp : public QDialog {
    Q_OBJECT
public:
    // An answer sheet (it puts nothing out), or a tally that saves and prints through Qt's dialogs.
    fmSendOp(AppState& st, std::vector<AnswerItem> items, QWidget* parent = nullptr);
    // A tally that saves and prints through `output`, which the caller keeps alive with the window.
    fmSendOp(AppState& st, std::vector<AnswerItem> items, AnswerOutput& output, QWidget* parent = nullptr);

    // ---- public properties ----
    bool AnsSheet = false;      // true: a tally; false: an answer sheet
    bool ModalState = false;    // an answer to a received questionnaire: its close writes the answer
    int16_t SendFID = 0;        // the questionnaire's note at the sender
    int16_t SendID = 0;         // the sender
    double SendAt = 0;          // the send time of the record answered (which of the sends it is)
    std::string AnsStr;         // the tally's "name answer" pairs
    int16_t Sendcount = 0;      // recipients the tally counts as sent
    bool IsTerminate = false;   // the tally counts the pairs found as sent

    // ---- controls ----
    std::array<QLabel*, kMaxSheetRows> lbl{};
    std::array<QRadioButton*, kMaxChoices> opt{};
    std::array<QCheckBox*, kMaxChecks> chk{};
    QPushButton* btn = nullptr;                 // "ＯＫ"
    std::array<QPushButton*, 2> btnOpt{};       // "ファイル出力", "印刷"

    // Lays the window out for its use (sheet or tally). Call once the properties are set.
    void load();
    // The answer the sheet gives now (OK sets it; 0 until then).
    int16_t answerCode() const { return code_; }
    const Tally& tally() const { return tally_; }
    // The tally text without changes (CR LF line ends), as written to a file.
    const std::string& tallyText() const { return tally_.text; }

    // ---- openings ----
    // A received questionnaire: a new modeless sheet that writes its answer into the log when it
    // closes; the sheet of that send when one is open already.
    static fmSendOp* openReceived(AppState& st, const LogRecord& entry, const NoteRecord& note);
    static fmSendOp* findReceived(const AppState& st, int16_t senderId, int16_t noteId, double sentAt);
    // The preview of the send page: modal, nothing written; afterwards the answer text is shown in a
    // box titled "回答例文字列". Returns the answer code.
    static int16_t preview(AppState& st, const std::string& noteText, QWidget* parent);
    // The tally, modal, captioned "アンケート回答集計", saving and printing through `output`.
    static void showTally(AppState& st, AnswerOutput& output, const std::string& noteText, const std::string& answers,
                          int sendCount, bool countIsAnswers, QWidget* parent);
    // The same through Qt's dialogs.
    static void showTally(AppState& st, const std::string& noteText, const std::string& answers, int sendCount,
                          bool countIsAnswers, QWidget* parent);

    // ---- commands (btnOpt) ----
    void fileOutput();
    void printOut();
    // Prints the tally on a printer that is set up; false with `error` when it failed.
    bool printTo(QPrinter& printer, QString& error) const;

    void done(int r) override;

private:
    void layOutSheet();
    void layOutTally();
    void okClicked();
    int px(int twips) const;
    int py(int twips) const;
    void showOutputError(const std::string& description);
    AnswerOutput& output() { return output_ ? *output_ : qtOutput_; }

    AppState& st_;
    AnswerOutput* output_ = nullptr;   // none: qtOutput_
    QtAnswerOutput qtOutput_;
    std::vector<AnswerItem> items_;
    int16_t code_ = 0;
    bool written_ = false;
    Tally tally_;
    QScrollArea* area_ = nullptr;
};

}  // namespace tw
