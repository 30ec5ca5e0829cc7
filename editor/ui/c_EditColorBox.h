// A colour box: a drop-down list of the standard colours, each with its swatch, and
// a first entry that holds a colour of the user's own (chosen in the colour dialog).
// Colours are the platform's numbers (red in the low byte); "no colour" shows no entry.
#pragma once

#include "u_HTML.h"

#include <QComboBox>

class TEditColorBox : public QComboBox {
    Q_OBJECT
public:
    explicit TEditColorBox(QWidget* Parent = nullptr);

    // The colour shown, clNone when none.
    TColor Color() const;
    // Shows a colour: its standard entry, else the custom entry holding it; clNone
    // shows no entry.
    void SetColor(TColor Value);
    // Whether the list is open.
    bool ListOpen() const noexcept { return FListOpen; }

signals:
    // The user chose a colour (from the list or the colour dialog).
    void ColorChosen(TColor Value);

protected:
    void showPopup() override;
    void hidePopup() override;

private:
    void EntryActivated(int Index);
    void SetCustomColor(TColor Value);
    bool FListOpen = false;
    int FShownIndex = -1; // the entry shown before the colour dialog opened
};
