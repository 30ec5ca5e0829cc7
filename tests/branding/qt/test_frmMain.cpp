#include "../book_fixture.h"
#include "frm_Main.h"
#include "u_Registry.h"
#include "u_Version.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <gtest/gtest.h>

namespace {

void ProcessEvents() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// The window with its dialogs and questions answered by the test.
class TTestForm : public TfrmMain {
public:
    std::string bookToOpen;
    std::string iconToLoad;
    bool answerRun = false;
    int questions = 0;
    std::vector<std::string> errors;
    std::vector<std::string> started;

protected:
    std::string ChooseBookFile() override { return bookToOpen; }
    std::string ChooseIconFile() override { return iconToLoad; }
    bool ConfirmRunBook() override {
        ++questions;
        return answerRun;
    }
    void ShowError(const std::string& message) override { errors.push_back(message); }
    void StartBook(const std::string& fileName) override { started.push_back(fileName); }
};

class FormTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "tests_branding_qt";
        static char* argv[] = {name, nullptr};
        if (!QApplication::instance())
            new QApplication(argc, argv);
    }

    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        SetRegistryFileName(FDir.filePath("Quarvel.conf").toStdString());
        FBook = FDir.filePath("Garden.exe").toStdString();
        fixture::WriteBook(FBook, fixture::TypicalBook());
        FIcon = FDir.filePath("new.ico").toStdString();
        WriteFileText(fixture::IconFile(0xFFD04010), FIcon);
    }
    void TearDown() override { SetRegistryFileName(std::string()); }

    std::string Shot(QWidget& w, const char* name) {
        const std::string file = std::string(name) + ".png";
        w.grab().save(QString::fromStdString(file));
        return file;
    }

    QTemporaryDir FDir;
    std::string FBook;
    std::string FIcon;
};

TEST_F(FormTest, EmptyWindowShowsOnlyOpen) {
    TTestForm form;
    form.show();
    ProcessEvents();
    Shot(form, "inkstamp_empty");
    EXPECT_EQ(form.windowTitle().toStdString(), "Inkstamp " + VersionText(0, 4));
    EXPECT_EQ(form.size(), QSize(684, 492));
    EXPECT_TRUE(form.btnOpen->isEnabled());
    for (QWidget* w : std::initializer_list<QWidget*>{form.btnCloseModule, form.btnUpdate, form.btnViewEbook,
                                                      form.vleVariables, form.imgIcon})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_EQ(form.btnOpen->text(), "Open eBook");
    EXPECT_EQ(form.btnCloseModule->text(), "Close eBook");
    EXPECT_EQ(form.btnUpdate->text(), "Update");
    EXPECT_EQ(form.btnViewEbook->text(), "View eBook");
    EXPECT_EQ(form.vleVariables->horizontalHeaderItem(0)->text(), "Key");
    EXPECT_EQ(form.vleVariables->horizontalHeaderItem(1)->text(), "Value");
    EXPECT_EQ(form.vleVariables->columnWidth(0), 150);
    EXPECT_EQ(form.imgIcon->size(), QSize(59, 59));
    EXPECT_EQ(form.imgIcon->toolTip(), "Double click on the icon to load new one.");
    EXPECT_EQ(form.vleVariables->toolTip(), "Select the variable and enter new value.");
    EXPECT_TRUE(form.edtHelp->isReadOnly());
    EXPECT_TRUE(form.edtHelp->toPlainText().startsWith("Branding Your eBook\n\nYour eBook may have"));
    EXPECT_TRUE(form.edtHelp->toPlainText().contains(
        "Step 5: Click on the \"View eBook\" button to view your newly branded ebook."));
    EXPECT_EQ(form.dlgOpen->nameFilters(), QStringList{"eBooks (*.exe)"});
    EXPECT_EQ(form.dlgOpenPicture->nameFilters(), QStringList{"Icons (*.ico)"});
    // No book: the icon commands do nothing.
    form.iconToLoad = FIcon;
    form.mnuLoadIconClick();
    EXPECT_FALSE(form.HasNewIcon());
    EXPECT_TRUE(form.errors.empty());
}

TEST_F(FormTest, OpenTypeUpdateAndReopen) {
    TTestForm form;
    form.show();
    form.bookToOpen = FBook;
    form.btnOpenClick();
    ProcessEvents();
    ASSERT_TRUE(form.errors.empty()) << form.errors[0];
    ASSERT_TRUE(form.Loaded());
    Shot(form, "inkstamp_open");
    EXPECT_EQ(form.edtName->text().toStdString(), FBook);
    EXPECT_EQ(form.edtTitle->text(), "$Garden Notes by Jane Doe");
    EXPECT_TRUE(form.edtName->isReadOnly());
    EXPECT_FALSE(form.imgIcon->pixmap().isNull());
    ASSERT_EQ(form.vleVariables->rowCount(), 4);
    EXPECT_EQ(form.vleVariables->item(0, 0)->text(), "author");
    EXPECT_FALSE(form.vleVariables->item(0, 0)->flags() & Qt::ItemIsEditable);
    for (QWidget* w : std::initializer_list<QWidget*>{form.btnCloseModule, form.btnUpdate, form.btnViewEbook,
                                                      form.vleVariables, form.imgIcon})
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();

    // A screen reader reads the fields by their labels, the picture and the grid by
    // their names and every value as the grid shows it.
    auto name = [](QObject* Object) {
        return QAccessible::queryAccessibleInterface(Object)->text(QAccessible::Name);
    };
    EXPECT_EQ(name(form.edtTitle), "Title");
    EXPECT_EQ(name(form.imgIcon), "Icon");
    EXPECT_EQ(name(form.vleVariables), "Variables");
    EXPECT_EQ(name(form.vleVariables->cellWidget(0, 1)), "author");
    const QString shown = qobject_cast<QLineEdit*>(form.vleVariables->cellWidget(0, 1))->text();
    EXPECT_EQ(form.vleVariables->item(0, 1)->text(), shown);
    EXPECT_EQ(name(&form).toStdString(), "Inkstamp " + VersionText(0, 4));

    // Type into the always-shown editor of the second row: the grid reads the new value.
    auto* editor = qobject_cast<QLineEdit*>(form.vleVariables->cellWidget(1, 1));
    ASSERT_NE(editor, nullptr);
    editor->setFocus();
    editor->selectAll();
    editor->insert("Acme Press");
    EXPECT_EQ(form.vleVariables->item(1, 1)->text(), "Acme Press");
    form.btnUpdateClick(nullptr);
    ProcessEvents();
    ASSERT_TRUE(form.errors.empty()) << form.errors[0];
    EXPECT_EQ(form.questions, 0) << "no sender, no question";
    EXPECT_TRUE(form.Loaded());
    EXPECT_EQ(form.GridRows()[1].Value, "Acme Press");
    Shot(form, "inkstamp_branded");

    // A click asks, and OK starts the book.
    form.answerRun = true;
    form.btnUpdate->click();
    ProcessEvents();
    EXPECT_EQ(form.questions, 1);
    EXPECT_EQ(form.started, std::vector<std::string>{FBook});
    form.btnViewEbook->click();
    EXPECT_EQ(form.started.size(), 2u);

    form.btnCloseModule->click();
    EXPECT_FALSE(form.Loaded());
    EXPECT_EQ(form.vleVariables->rowCount(), 0);
    EXPECT_TRUE(form.edtName->text().isEmpty());
    EXPECT_TRUE(form.imgIcon->pixmap().isNull());

    TTestForm other;
    other.OpenModule(FBook);
    EXPECT_EQ(other.GridRows()[1].Value, "Acme Press");
}

TEST_F(FormTest, LoadIconResetAndUpdate) {
    TTestForm form;
    form.show();
    form.OpenModule(FBook);
    const QImage bookIcon = form.imgIcon->pixmap().toImage();
    const std::string storedIcon = ReadIconGroupResource(FBook, TResName("MAINICON"));

    form.iconToLoad = FIcon;
    form.imgIconDblClick();
    ASSERT_TRUE(form.errors.empty()) << form.errors[0];
    EXPECT_TRUE(form.HasNewIcon());
    EXPECT_NE(form.imgIcon->pixmap().toImage(), bookIcon);
    form.mnuResetIcon->trigger();
    EXPECT_FALSE(form.HasNewIcon());
    EXPECT_EQ(form.imgIcon->pixmap().toImage(), bookIcon);
    form.btnUpdateClick(nullptr);
    EXPECT_EQ(ReadIconGroupResource(FBook, TResName("MAINICON")), storedIcon) << "Reset: icon untouched";

    // A file that is no icon: the message, and the shown icon stays.
    WriteFileText("not an icon", FDir.filePath("bad.ico").toStdString());
    form.iconToLoad = FDir.filePath("bad.ico").toStdString();
    form.mnuLoadIcon->trigger();
    ASSERT_EQ(form.errors.size(), 1u);
    EXPECT_EQ(form.errors[0], "Icon image is not valid");
    EXPECT_FALSE(form.HasNewIcon());

    form.iconToLoad = FIcon;
    form.mnuLoadIcon->trigger();
    Shot(form, "inkstamp_new_icon");
    form.btnUpdateClick(nullptr);
    EXPECT_NE(ReadIconGroupResource(FBook, TResName("MAINICON")), storedIcon);
    EXPECT_FALSE(form.HasNewIcon()) << "reopened: the written icon is now the book's own";
    EXPECT_NE(form.imgIcon->pixmap().toImage(), bookIcon);
}

TEST_F(FormTest, FailedUpdateKeepsTheTypedValues) {
    TTestForm form;
    form.show();
    form.OpenModule(FBook);
    ASSERT_TRUE(form.SetGridValue("Company", "Typed Value"));
    const std::string moved = FBook + ".away";
    std::filesystem::rename(FBook, moved);
    form.btnUpdateClick(form.btnUpdate);
    ASSERT_EQ(form.errors.size(), 1u);
    EXPECT_TRUE(form.Loaded());
    EXPECT_EQ(form.GridRows()[1].Value, "Typed Value");
    EXPECT_EQ(form.questions, 0);
    std::filesystem::rename(moved, FBook);
    form.btnUpdateClick(nullptr);
    EXPECT_EQ(form.errors.size(), 1u);
    TBrandingBook book;
    book.Open(FBook);
    EXPECT_EQ(book.Rows()[1].Value, "Typed Value");
}

TEST_F(FormTest, UntouchedValuesKeepTheirBytes) {
    fixture::BookContent content = fixture::TypicalBook();
    const std::string address = "Line 1\r\nLine 2\tend";
    const std::string latin1 = "caf\xE9";
    content.systemFiles["Variables.xml"] = fixture::VariablesFile({{"Address", address}, {"Old", latin1}});
    fixture::WriteBook(FBook, content);
    TTestForm form;
    form.OpenModule(FBook);
    ASSERT_EQ(form.GridRows().size(), 2u);
    EXPECT_EQ(form.GridRows()[0].Value, address);
    EXPECT_EQ(form.GridRows()[1].Value, latin1);
    form.btnUpdateClick(nullptr);
    TBrandingBook book;
    book.Open(FBook);
    EXPECT_EQ(book.Rows()[0].Value, address);
    EXPECT_EQ(book.Rows()[1].Value, latin1);
    ASSERT_TRUE(form.SetGridValue("Old", "new"));
    EXPECT_EQ(form.GridRows()[1].Value, "new");
}

TEST_F(FormTest, FailedOpenLeavesNoBookOpen) {
    TTestForm form;
    form.OpenModule(FBook);
    ASSERT_TRUE(form.Loaded());
    form.bookToOpen = FDir.filePath("missing.exe").toStdString();
    form.btnOpenClick();
    EXPECT_EQ(form.errors.size(), 1u);
    EXPECT_FALSE(form.Loaded());
    EXPECT_EQ(form.vleVariables->rowCount(), 0);
    EXPECT_FALSE(form.btnUpdate->isEnabled());
    // Cancelling the dialog does nothing.
    form.bookToOpen.clear();
    form.btnOpenClick();
    EXPECT_EQ(form.errors.size(), 1u);
}

TEST_F(FormTest, LayoutIsSavedOnCloseAndRestoredOnShow) {
    const std::string key = TfrmMain::LayoutKey;
    int helpHeight = 0;
    {
        TTestForm form;
        form.show();
        ProcessEvents();
        form.setGeometry(40, 50, 700, 520);
        form.splHelp->setSizes({300, 120});
        ProcessEvents();
        helpHeight = form.edtHelp->height();
        form.close();
    }
    EXPECT_EQ(ReadRegBinary(key, "SizeAndPos")->size(), 44u);
    EXPECT_EQ(ReadRegString(key, "SplittersData"), "splHelp=" + std::to_string(helpHeight));
    EXPECT_TRUE(RegValueExists(key, "PageControlsData"));
    EXPECT_EQ(ReadRegString(key, "PageControlsData"), "");
    EXPECT_EQ(ReadRegString(key, "ActiveControl"), "");
    TTestForm form;
    form.show();
    ProcessEvents();
    EXPECT_EQ(form.size(), QSize(700, 520));
    EXPECT_EQ(form.edtHelp->height(), helpHeight);
}

} // namespace
