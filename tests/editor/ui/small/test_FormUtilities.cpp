#include "ui_helpers.h"
#include "u_Forms.h"

#include <QDialog>
#include <QFontDatabase>
#include <QScreen>

#include <gtest/gtest.h>

namespace {

TEST(FormUtilities, FitFormToControlsCentresAndSkipsOwnedWindows) {
    QWidget form;
    form.resize(900, 700);
    auto* a = new QWidget(&form);
    a->setGeometry(12, 20, 100, 30);
    auto* b = new QWidget(&form);
    b->setGeometry(40, 60, 300, 100);
    // A dialog owned by the form is a window of its own, not one of its controls.
    auto* owned = new QDialog(&form);
    owned->setGeometry(0, 0, 2000, 2000);
    FitFormToControls(&form, true);
    EXPECT_EQ(form.size(), QSize(340 + 12, 160 + 12));
    const QRect screen = form.screen()->geometry();
    EXPECT_EQ(form.x(), screen.left() + (screen.width() - form.width()) / 2);
    EXPECT_EQ(form.y(), screen.top() + (screen.height() - form.height()) / 2);

    // Without controls the size stays.
    QWidget empty;
    empty.resize(321, 123);
    FitFormToControls(&empty, false);
    EXPECT_EQ(empty.size(), QSize(321, 123));
}

TEST(FormUtilities, ListScreenFontsAppendsTheScreensFamilies) {
    std::vector<std::string> fonts{"kept"};
    ListScreenFonts(fonts);
    const QStringList families = QFontDatabase::families();
    ASSERT_EQ(fonts.size(), static_cast<std::size_t>(families.size()) + 1);
    EXPECT_EQ(fonts.front(), "kept");
    EXPECT_EQ(fonts[1], families.front().toStdString());
    EXPECT_FALSE(families.isEmpty());
}

} // namespace
