#include "qt_app.h"
#include "u_Forms.h"
#include "u_Registry.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTextEdit>
#include <QVBoxLayout>
#include <memory>

namespace {

const std::string KKey = "Software\\Brevant\\Quarvel\\Editor\\frmMain\\FormProps";

int32_t Int32At(const std::string& record, size_t index) {
    uint32_t u = 0;
    for (int i = 3; i >= 0; --i)
        u = (u << 8) | static_cast<unsigned char>(record[index * 4 + static_cast<size_t>(i)]);
    return static_cast<int32_t>(u);
}

// A window like the editor's: a left tree pane beside the client area, a bottom pane
// below it, a tab widget and two edits.
struct TestForm {
    std::unique_ptr<QWidget> form = std::make_unique<QWidget>();
    QSplitter* splLeft = nullptr;   // horizontal: left pane fixed, right stretches
    QSplitter* splBottom = nullptr; // vertical: top stretches, bottom pane fixed
    QWidget* left = nullptr;
    QTextEdit* bottom = nullptr;
    QTabWidget* pages = nullptr;
    QLineEdit* edtName = nullptr;
    QLineEdit* edtTitle = nullptr;
    QPushButton* btnOpen = nullptr;

    TestForm() {
        form->setObjectName("frmTest");
        auto* layout = new QVBoxLayout(form.get());
        edtName = new QLineEdit;
        edtName->setObjectName("edtName");
        edtTitle = new QLineEdit;
        edtTitle->setObjectName("edtTitle");
        btnOpen = new QPushButton("Open");
        btnOpen->setObjectName("btnOpen");
        btnOpen->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(edtName);
        layout->addWidget(edtTitle);
        layout->addWidget(btnOpen);
        splLeft = new QSplitter(Qt::Horizontal);
        splLeft->setObjectName("splLeft");
        left = new QWidget;
        left->setObjectName("pnlLeft");
        splBottom = new QSplitter(Qt::Vertical);
        splBottom->setObjectName("splBottom");
        pages = new QTabWidget;
        pages->setObjectName("pcMain");
        pages->addTab(new QWidget, "One");
        pages->addTab(new QWidget, "Two");
        pages->addTab(new QWidget, "Three");
        bottom = new QTextEdit;
        bottom->setObjectName("memBottom");
        splBottom->addWidget(pages);
        splBottom->addWidget(bottom);
        splBottom->setStretchFactor(0, 1);
        splLeft->addWidget(left);
        splLeft->addWidget(splBottom);
        splLeft->setStretchFactor(1, 1);
        layout->addWidget(splLeft, 1);
        form->setGeometry(100, 120, 640, 480);
    }

    void Show() {
        form->show();
        ProcessEvents();
    }
};

class FormsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        SetRegistryFileName(FDir.filePath("Quarvel.conf").toStdString());
    }
    void TearDown() override { SetRegistryFileName(std::string()); }

    QTemporaryDir FDir;
};

TEST_F(FormsTest, WalkVisitsChildrenBeforeTheirParent) {
    TestForm t;
    const auto walk = FormLayoutWalk(t.form.get());
    auto position = [&](QWidget* w) { return std::find(walk.begin(), walk.end(), w) - walk.begin(); };
    EXPECT_LT(position(t.pages), position(t.splBottom));
    EXPECT_LT(position(t.splBottom), position(t.splLeft));
    EXPECT_LT(position(t.left), position(t.splLeft));
    EXPECT_LT(position(t.edtName), position(t.edtTitle));
    EXPECT_EQ(std::find(walk.begin(), walk.end(), t.form.get()), walk.end());
}

TEST_F(FormsTest, ValuesNotChosenAreWrittenEmpty) {
    TestForm t;
    t.Show();
    bool asked = false;
    SaveFormLayout(KKey, t.form.get(), 0, [&] {
        asked = true;
        return std::string("x");
    });
    EXPECT_EQ(ReadRegString(KKey, "SplittersData"), "");
    EXPECT_EQ(ReadRegString(KKey, "PageControlsData"), "");
    EXPECT_EQ(ReadRegString(KKey, "ActiveControl"), "");
    ASSERT_TRUE(ReadRegBinary(KKey, "SizeAndPos").has_value());
    EXPECT_EQ(ReadRegBinary(KKey, "SizeAndPos")->size(), 0u);
    EXPECT_FALSE(RegValueExists(KKey, "ExtInfo"));
    EXPECT_FALSE(asked);
    // Chosen but without a writer: still no "ExtInfo".
    SaveFormLayout(KKey, t.form.get(), loExtInfo);
    EXPECT_FALSE(RegValueExists(KKey, "ExtInfo"));
}

TEST_F(FormsTest, BrandingOptionsLeavePageControlsAndActiveControlEmpty) {
    TestForm t;
    t.Show();
    t.edtTitle->setFocus();
    SaveFormLayout("Software\\Brevant\\Quarvel\\Branding", t.form.get(), loSizeAndPos | loSplitters);
    EXPECT_TRUE(RegValueExists("Software\\Brevant\\Quarvel\\Branding", "PageControlsData"));
    EXPECT_EQ(ReadRegString("Software\\Brevant\\Quarvel\\Branding", "PageControlsData"), "");
    EXPECT_EQ(ReadRegString("Software\\Brevant\\Quarvel\\Branding", "ActiveControl"), "");
    EXPECT_EQ(ReadRegBinary("Software\\Brevant\\Quarvel\\Branding", "SizeAndPos")->size(), 44u);
}

TEST_F(FormsTest, PlacementRecordHoldsTheNormalRectangleAndComesBack) {
    TestForm t;
    t.Show();
    const QRect saved = t.form->geometry();
    SaveFormLayout(KKey, t.form.get(), loSizeAndPos);
    const std::string record = *ReadRegBinary(KKey, "SizeAndPos");
    ASSERT_EQ(record.size(), 44u);
    EXPECT_EQ(Int32At(record, 0), 44);
    EXPECT_EQ(Int32At(record, 2), 1) << "shown normally";
    EXPECT_EQ(Int32At(record, 7), saved.left());
    EXPECT_EQ(Int32At(record, 8), saved.top());
    EXPECT_EQ(Int32At(record, 9), saved.right() + 1);
    EXPECT_EQ(Int32At(record, 10), saved.bottom() + 1);

    t.form->setGeometry(10, 20, 300, 200);
    ProcessEvents();
    RestoreFormLayout(KKey, t.form.get());
    ProcessEvents();
    EXPECT_EQ(t.form->geometry().size(), saved.size());
    EXPECT_EQ(t.form->geometry().topLeft(), saved.topLeft());
}

TEST_F(FormsTest, MaximizedWindowSavesItsNormalRectangle) {
    TestForm t;
    t.Show();
    const QRect normal = t.form->geometry();
    t.form->showMaximized();
    ProcessEvents(10);
    SaveFormLayout(KKey, t.form.get(), loSizeAndPos);
    const std::string record = *ReadRegBinary(KKey, "SizeAndPos");
    EXPECT_EQ(Int32At(record, 2), 3);
    EXPECT_EQ(Int32At(record, 9) - Int32At(record, 7), normal.width());

    TestForm other;
    RestoreFormLayout(KKey, other.form.get());
    EXPECT_TRUE(other.form->windowState() & Qt::WindowMaximized);
}

TEST_F(FormsTest, BrokenPlacementRecordStopsTheRestore) {
    TestForm t;
    t.Show();
    std::string record = FormPlacementRecord(t.form.get());
    record[0] = 40; // wrong length field
    WriteRegBinary(KKey, "SizeAndPos", record);
    WriteRegString(KKey, "SplittersData", "splLeft=50");
    bool extInfoRead = false;
    const int leftWidth = t.left->width();
    RestoreFormLayout(KKey, t.form.get(), [&](const std::string&) { extInfoRead = true; });
    EXPECT_FALSE(extInfoRead);
    EXPECT_EQ(t.left->width(), leftWidth);

    // A zero-byte record (never saved) is not an error: it is passed over.
    WriteRegBinary(KKey, "SizeAndPos", std::string());
    const QRect before = t.form->geometry();
    RestoreFormLayout(KKey, t.form.get(), [&](const std::string&) { extInfoRead = true; });
    EXPECT_TRUE(extInfoRead);
    EXPECT_EQ(t.form->geometry(), before);
}

TEST_F(FormsTest, SplitterEntriesRecordTheFixedPane) {
    TestForm t;
    t.Show();
    t.splLeft->setSizes({150, 470});
    t.splBottom->setSizes({250, 100});
    ProcessEvents();
    SaveFormLayout(KKey, t.form.get(), loSplitters);
    const std::string expected =
        "splBottom=" + std::to_string(t.bottom->height()) + ";splLeft=" + std::to_string(t.left->width());
    EXPECT_EQ(ReadRegString(KKey, "SplittersData"), expected);
    EXPECT_EQ(t.left->width(), 150);

    // Both panes stretching: nothing is fixed, no entry.
    t.splLeft->setStretchFactor(0, 1);
    SaveFormLayout(KKey, t.form.get(), loSplitters);
    EXPECT_EQ(ReadRegString(KKey, "SplittersData"), "splBottom=" + std::to_string(t.bottom->height()));
    // A hidden fixed pane gives no entry either.
    t.bottom->hide();
    SaveFormLayout(KKey, t.form.get(), loSplitters);
    EXPECT_EQ(ReadRegString(KKey, "SplittersData"), "");
}

TEST_F(FormsTest, RestoredBottomPaneKeepsItsBottomEdge) {
    TestForm t;
    t.Show();
    const int bottomEdge = t.bottom->geometry().bottom();
    const int total = t.splBottom->sizes()[0] + t.splBottom->sizes()[1];
    WriteRegString(KKey, "SplittersData", "splBottom=80");
    RestoreFormLayout(KKey, t.form.get());
    ProcessEvents();
    EXPECT_EQ(t.bottom->height(), 80);
    EXPECT_EQ(t.bottom->geometry().bottom(), bottomEdge);
    EXPECT_EQ(t.splBottom->sizes()[0], total - 80);
}

TEST_F(FormsTest, SplitterListStopsAtAnEmptyEntryAndSkipsBadOnes) {
    {
        TestForm t;
        t.Show();
        const int bottom = t.bottom->height();
        // The second entry has a name and "=" but no number: only the first applies.
        WriteRegString(KKey, "SplittersData", "splLeft=120;splBottom=");
        RestoreFormLayout(KKey, t.form.get());
        ProcessEvents();
        EXPECT_EQ(t.left->width(), 120);
        EXPECT_EQ(t.bottom->height(), bottom);
    }
    {
        TestForm t;
        t.Show();
        const int left = t.left->width();
        WriteRegString(KKey, "SplittersData", "splBottom=90;;splLeft=200");
        RestoreFormLayout(KKey, t.form.get());
        ProcessEvents();
        EXPECT_EQ(t.bottom->height(), 90);
        EXPECT_EQ(t.left->width(), left) << "an empty entry ends the list";
    }
    {
        TestForm t;
        t.Show();
        // Names count letter case; negative and malformed numbers are skipped; spaces trimmed.
        WriteRegString(KKey, "SplittersData", "SPLLEFT=200; splBottom=-5 ;=7;splBottom=x; splLeft=130 ");
        const int bottom = t.bottom->height();
        RestoreFormLayout(KKey, t.form.get());
        ProcessEvents();
        EXPECT_EQ(t.left->width(), 130);
        EXPECT_EQ(t.bottom->height(), bottom);
    }
}

TEST_F(FormsTest, SplittersRestoreBeforeTheWindowIsShown) {
    {
        TestForm t;
        t.Show();
        t.splLeft->setSizes({111, 509});
        ProcessEvents();
        SaveFormLayout(KKey, t.form.get(), loSizeAndPos | loSplitters);
    }
    TestForm t;
    RestoreFormLayout(KKey, t.form.get());
    t.Show();
    EXPECT_EQ(t.left->width(), 111);
}

TEST_F(FormsTest, PageControlsRestoreTheirPage) {
    TestForm t;
    t.Show();
    t.pages->setCurrentIndex(2);
    SaveFormLayout(KKey, t.form.get(), loPageControls);
    EXPECT_EQ(ReadRegString(KKey, "PageControlsData"), "pcMain=2");
    t.pages->setCurrentIndex(0);
    RestoreFormLayout(KKey, t.form.get());
    EXPECT_EQ(t.pages->currentIndex(), 2);
    WriteRegString(KKey, "PageControlsData", "pcMain=9");
    RestoreFormLayout(KKey, t.form.get());
    EXPECT_EQ(t.pages->currentIndex(), 2) << "a page that does not exist changes nothing";
}

TEST_F(FormsTest, ActiveControlComesBackAndNilClearsTheFocus) {
    TestForm t;
    t.Show();
    t.form->activateWindow();
    t.edtTitle->setFocus();
    ProcessEvents();
    SaveFormLayout(KKey, t.form.get(), loActiveControl);
    EXPECT_EQ(ReadRegString(KKey, "ActiveControl"), "edtTitle");

    t.edtName->setFocus();
    WriteRegString(KKey, "ActiveControl", "EDTTITLE"); // names ignore letter case here
    RestoreFormLayout(KKey, t.form.get());
    ProcessEvents();
    EXPECT_EQ(t.form->focusWidget(), t.edtTitle);

    WriteRegString(KKey, "ActiveControl", "NIL");
    RestoreFormLayout(KKey, t.form.get());
    ProcessEvents();
    EXPECT_FALSE(t.edtTitle->hasFocus());

    t.edtName->setFocus();
    ProcessEvents();
    WriteRegString(KKey, "ActiveControl", "noSuchControl");
    RestoreFormLayout(KKey, t.form.get());
    ProcessEvents();
    EXPECT_FALSE(t.edtName->hasFocus());
}

TEST_F(FormsTest, ControlThatCannotTakeTheFocusEndsTheRestore) {
    TestForm t;
    t.Show();
    WriteRegString(KKey, "ActiveControl", "btnOpen");
    WriteRegString(KKey, "ExtInfo", "owner text");
    std::string got = "untouched";
    RestoreFormLayout(KKey, t.form.get(), [&](const std::string& s) { got = s; });
    EXPECT_EQ(got, "untouched");
    WriteRegString(KKey, "ActiveControl", "edtName");
    RestoreFormLayout(KKey, t.form.get(), [&](const std::string& s) { got = s; });
    EXPECT_EQ(got, "owner text");
}

TEST_F(FormsTest, ExtInfoIsWrittenOnlyWhenChosenWithAWriter) {
    TestForm t;
    t.Show();
    SaveFormLayout(KKey, t.form.get(), loSizeAndPos | loSplitters | loExtInfo,
                   [] { return std::string("Tree=1;Files=0"); });
    EXPECT_EQ(ReadRegString(KKey, "ExtInfo"), "Tree=1;Files=0");
    std::string got;
    RestoreFormLayout(KKey, t.form.get(), [&](const std::string& s) { got = s; });
    EXPECT_EQ(got, "Tree=1;Files=0");
}

TEST_F(FormsTest, MissingKeyCentresTheWindow) {
    TestForm t;
    t.form->resize(400, 300);
    RestoreFormLayout("Software\\Brevant\\Quarvel\\NotThere", t.form.get());
    const QRect screen = t.form->screen()->geometry();
    EXPECT_EQ(t.form->x(), screen.left() + (screen.width() - 400) / 2);
    EXPECT_EQ(t.form->y(), screen.top() + (screen.height() - 300) / 2);
}

TEST_F(FormsTest, FitFormToControlsRepeatsTheLeftMargin) {
    QWidget form;
    auto* a = new QWidget(&form);
    a->setGeometry(8, 10, 100, 20);
    auto* b = new QWidget(&form);
    b->setGeometry(50, 40, 200, 30);
    FitFormToControls(&form, false);
    EXPECT_EQ(form.width(), 250 + 8);
    EXPECT_EQ(form.height(), 70 + 8);
}

} // namespace
