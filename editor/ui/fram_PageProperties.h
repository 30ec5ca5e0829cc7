// The page properties panel pnlPageProperties below the story tree: a title bar
// "Page Properties" with the pin sbtnPropertiesPin, and four three-state boxes that
// show and set a flag over the selected items. Unpinned, the panel folds to its title
// bar 100 ms after the mouse has left it and opens again when the mouse comes over the
// title bar.
#pragma once

#include "u_StoryTreeRules.h"

#include <QCheckBox>
#include <QFrame>

#include <array>

class QLabel;
class QTimer;
class QToolButton;

// A box the user sets to checked or unchecked; grayed is only shown.
class TFlagCheckBox : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override;
};

class TframPageProperties : public QFrame {
    Q_OBJECT
public:
    static constexpr int OpenHeight = 110;
    static constexpr int FoldInterval = 100;

    explicit TframPageProperties(QWidget* Parent = nullptr);

    QWidget* pnlTitle = nullptr;
    QLabel* lblTitle = nullptr;
    QToolButton* sbtnPropertiesPin = nullptr;
    // Indexed by TItemFlag: "Allow Right Click", "Password Protection", "Include in TOC",
    // "Searchable".
    std::array<TFlagCheckBox*, 4> cbFlags{};
    QTimer* tmrFold = nullptr;

    // Shows the states without setting anything.
    void ShowStates(const std::array<TTriState, 4>& States);

    bool Folded() const noexcept { return FFolded; }
    // The height of the folded panel: its title bar and 2 pixels.
    int FoldedHeight() const;

signals:
    // The user set a box to checked or unchecked.
    void FlagChosen(TItemFlag Flag, bool Value);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void PinToggled(bool Pinned);
    void FoldTimerTick();
    void SetFolded(bool Folded);
    bool FFolded = false;
    bool FShowing = false;
};
