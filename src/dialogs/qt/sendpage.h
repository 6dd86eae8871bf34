// The send page of the note-settings dialog: the members the note can go to (a plain click adds a
// row to the choice or takes it out), their number, the three send options and "テスト".
#pragma once

#include "messaging/sending.h"
#include "model/state.h"

#include <QWidget>

#include <array>
#include <cstdint>

class QCheckBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace tw {

class SendPage : public QWidget {
    Q_OBJECT
public:
    // `ok` is the dialog's shared OK button, which the options may disable.
    SendPage(AppState& st, QPushButton& ok, QWidget* parent = nullptr);

    QTreeWidget* lsvSend = nullptr;
    QLabel* lblTotal0 = nullptr;
    std::array<QCheckBox*, 3> chk{};
    QPushButton* btnTest = nullptr;

    // Fills the page for note `noteId` (the caller has set OK up and shows the page).
    void setSendOther(int16_t noteId);
    // isAutodelPinly: with it off, auto-delete is cleared and disabled and the options are free.
    void setAutoDeleteAllowed(bool allowed);
    bool autoDeleteAllowed() const { return options_.interlock; }
    // OK on the page: sends to the chosen rows. True when the dialog closes (sent, or nobody
    // chosen); false when the send failed (the dialog stays open).
    bool send();
    int16_t noteId() const { return noteId_; }

private:
    void optionClicked(int i);
    void showOptions();

    AppState& st_;
    QPushButton& ok_;
    SendOptions options_;
    int16_t noteId_ = 0;
};

}  // namespace tw
