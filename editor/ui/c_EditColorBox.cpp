#include "c_EditColorBox.h"

#include "u_Controls.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>

namespace {

struct TNamedColor {
    const char* Name;
    TColor Value;
};

// The standard colours, red in the low byte.
constexpr TNamedColor StandardColors[] = {
    {"Black", 0x000000},  {"Maroon", 0x000080},  {"Green", 0x008000}, {"Olive", 0x008080},
    {"Navy", 0x800000},   {"Purple", 0x800080},  {"Teal", 0x808000},  {"Gray", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0x0000FF},     {"Lime", 0x00FF00},  {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},   {"Fuchsia", 0xFF00FF}, {"Aqua", 0xFFFF00},  {"White", 0xFFFFFF},
};

const char* const SCustomColor = "Custom...";

// The picture of a colour as the box shows it (a framed square).
QIcon ColorSwatch(TColor Value) {
    constexpr int Size = 14;
    QPixmap pixmap(Size, Size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QColor(96, 96, 96));
    if (Value != clNone)
        painter.setBrush(ColorOfNumber(Value));
    painter.drawRect(0, 0, Size - 1, Size - 1);
    return QIcon(pixmap);
}

} // namespace

TEditColorBox::TEditColorBox(QWidget* Parent) : QComboBox(Parent) {
    addItem(ColorSwatch(clNone), QString::fromUtf8(SCustomColor), QVariant());
    for (const TNamedColor& c : StandardColors)
        addItem(ColorSwatch(c.Value), QString::fromUtf8(c.Name), QVariant(static_cast<int>(c.Value)));
    setMaxVisibleItems(count());
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(this, &QComboBox::activated, this, &TEditColorBox::EntryActivated);
}

TColor TEditColorBox::Color() const {
    const QVariant data = currentData();
    return currentIndex() < 0 || !data.isValid() ? clNone : static_cast<TColor>(data.toInt());
}

void TEditColorBox::SetColor(TColor Value) {
    int index = -1;
    for (int i = 1; i < count() && Value != clNone && index < 0; ++i)
        if (itemData(i).toInt() == Value)
            index = i;
    if (Value != clNone && index < 0)
        SetCustomColor(Value);
    else
        setCurrentIndex(index);
    FShownIndex = currentIndex();
}

void TEditColorBox::SetCustomColor(TColor Value) {
    setItemData(0, QVariant(static_cast<int>(Value)));
    setItemIcon(0, ColorSwatch(Value));
    setItemText(0, QString::fromUtf8(ColorToHtml(ColorToRGB(Value))));
    setCurrentIndex(0);
}

void TEditColorBox::EntryActivated(int Index) {
    if (Index == 0) {
        const QColor chosen = QColorDialog::getColor(ColorOfNumber(Color() == clNone ? 0 : Color()), this);
        if (!chosen.isValid()) {
            setCurrentIndex(FShownIndex);
            return;
        }
        SetCustomColor(NumberOfColor(chosen));
    }
    FShownIndex = currentIndex();
    emit ColorChosen(Color());
}

void TEditColorBox::showPopup() {
    FListOpen = true;
    QComboBox::showPopup();
}

void TEditColorBox::hidePopup() {
    QComboBox::hidePopup();
    FListOpen = false;
}
