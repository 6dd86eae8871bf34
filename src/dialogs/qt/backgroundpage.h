// The background page of the note-settings dialog: a picture of the shared folder behind the note's
// text, the way it is fitted, and the colour of the text over it.
#pragma once

#include "model/state.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace tw {

class BackgroundPage : public QWidget {
    Q_OBJECT
public:
    explicit BackgroundPage(AppState& st, QWidget* parent = nullptr);

    QLabel* lblPath = nullptr;
    QComboBox* cmb1 = nullptr;
    QListWidget* fileLB = nullptr;
    QLabel* img = nullptr;
    std::array<QRadioButton*, 3> opt{};   // "原寸表示", "自動倍率表示", "表示クリア"
    QPushButton* btFont = nullptr;
    QLabel* lblFontCol = nullptr;
    // The colour dialog (cmd3): the chosen colour, or none when cancelled. Tests replace it.
    std::function<std::optional<uint32_t>(uint32_t current)> chooseColour;

    // Prepares the page for note noteId.
    void backAttr(int16_t noteId);
    // OK on the page.
    void store();
    uint32_t textColour() const { return textColour_; }

    // A file type chosen (cmb(1)): the list shows the pictures of that type.
    void typeChosen(int type);

private:
    void fileChosen();
    void showTextColour();

    AppState& st_;
    int16_t noteId_ = 0;
    uint32_t textColour_ = 0;
    // The note's picture was found unusable when the page opened: it goes on OK unless another
    // picture is chosen; Cancel keeps it.
    bool clearOnOk_ = false;
};

}  // namespace tw
