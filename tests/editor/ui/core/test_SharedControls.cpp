// The pieces every editor window shares: the command table's runs, the OK and Cancel
// buttons, colour numbers, the document window opener, closing page editors and the
// template tree.
#include "u_CommandTable.h"
#include "u_Controls.h"
#include "u_Dialogs.h"
#include "u_DocumentWindows.h"
#include "u_Exception.h"
#include "u_TemplateTree.h"
#include "u_Templates.h"
#include "ui_helpers.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// Records the questions and errors shown while it lives.
struct TAskedMessages {
    TAskedMessages() {
        SetDialogAnswerer([this](TDialogRequest& Request) {
            Texts.push_back(Request.Text);
            return QMessageBox::Ok;
        });
    }
    ~TAskedMessages() { SetDialogAnswerer(nullptr); }
    std::vector<std::string> Texts;
};

TEST(CommandTable, ACommandRunsWithThePassHeldBackAndItsFailureIsShown) {
    TAskedMessages asked;
    TCommandTable table;
    bool enabled = false;
    QAction* action = table.Add(MakeAction(&table, "actTry", QStringLiteral("Try")), [&] { return enabled; });
    table.Update();
    EXPECT_FALSE(action->isEnabled());
    enabled = true;
    table.Update();
    ASSERT_TRUE(action->isEnabled());

    int passesDuringRun = -1;
    table.Connect(action, nullptr, [&] {
        EXPECT_TRUE(table.Running());
        const int before = table.Passes();
        enabled = false;
        // The loop's idle pass is held back while the command runs.
        emit QAbstractEventDispatcher::instance()->aboutToBlock();
        passesDuringRun = table.Passes() - before;
        throw Exception("Could not try");
    });
    const int before = table.Passes();
    action->trigger();
    EXPECT_EQ(passesDuringRun, 0);
    EXPECT_FALSE(table.Running());
    // One pass after the command, also after a failure: it sees what the command left.
    EXPECT_EQ(table.Passes(), before + 1);
    EXPECT_FALSE(action->isEnabled());
    EXPECT_EQ(asked.Texts, std::vector<std::string>{"Could not try"});
}

TEST(Controls, OKAcceptsOrLeavesTheDecisionToItsHandlerAndCancelRejects) {
    QDialog dialog;
    QDialogButtonBox* buttons = NewOKCancelButtons(&dialog);
    EXPECT_EQ(buttons->objectName(), "btnsOKCancel");
    QPushButton* ok = dialog.findChild<QPushButton*>(QStringLiteral("btnOK"));
    QPushButton* cancel = dialog.findChild<QPushButton*>(QStringLiteral("btnCancel"));
    ASSERT_NE(ok, nullptr);
    ASSERT_NE(cancel, nullptr);
    EXPECT_TRUE(ok->isDefault());
    ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    cancel->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    QDialog checked;
    int asked = 0;
    QDialogButtonBox* own = NewOKCancelButtons(&checked, [&] { ++asked; });
    own->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(checked.result(), QDialog::Rejected); // not accepted behind the handler's back
}

TEST(Controls, ColourNumbersHaveRedInTheLowByteAndSystemColoursTheirDefaultScheme) {
    EXPECT_EQ(ColorOfNumber(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(ColorOfNumber(0x804020), QColor(0x20, 0x40, 0x80));
    EXPECT_EQ(NumberOfColor(QColor(0x20, 0x40, 0x80)), 0x804020);
    EXPECT_EQ(ColorOfNumber(SystemColor(15)), QColor(0xF0, 0xF0, 0xF0)); // button face
    EXPECT_EQ(ColorOfNumber(SystemColor(8)), QColor(0, 0, 0));           // window text
}

// A page editor as far as the opener and the closing need one.
class TPageWindow : public TfrmAbstractMDIChild, public IPageEditorWindow {
public:
    explicit TPageWindow(std::string Page) : FPage(std::move(Page)) {}
    std::string PagePath() const override { return FPage; }
    void ToggleEditPreview() override {}

private:
    std::string FPage;
};

std::vector<std::string> OpenPages() {
    std::vector<std::string> pages;
    for (TfrmAbstractMDIChild* window : OpenDocumentWindows())
        if (auto* editor = dynamic_cast<TPageWindow*>(window))
            pages.push_back(editor->PagePath());
    return pages;
}

TEST(DocumentWindows, OneWindowPerPageIsReusedAndTheEditorsOfGivenPagesClose) {
    int created = 0;
    auto open = [&created](const std::string& Page) {
        return ShowMatchingDocumentWindow<TPageWindow>(
            [&Page](const TPageWindow& Window) { return Window.PagePath() == Page; },
            [&created, &Page] {
                ++created;
                return std::make_unique<TPageWindow>(Page);
            });
    };
    TPageWindow* a = open("\\a.htm");
    TPageWindow* b = open("\\b.htm");
    EXPECT_NE(a, b);
    EXPECT_EQ(open("\\a.htm"), a);
    EXPECT_EQ(created, 2);
    // The single-instance form takes whichever is open.
    EXPECT_EQ(ShowSingleDocumentWindow<TPageWindow>([] { return std::make_unique<TPageWindow>("\\c.htm"); }),
              a);

    // A creation that fails frees the new window and passes the error on.
    EXPECT_THROW(ShowMatchingDocumentWindow<TPageWindow>([](const TPageWindow&) { return false; },
                                                         []() -> std::unique_ptr<TPageWindow> {
                                                             auto fresh =
                                                                 std::make_unique<TPageWindow>("\\d.htm");
                                                             throw Exception("cannot load");
                                                         }),
                 Exception);
    EXPECT_EQ(OpenPages(), (std::vector<std::string>{"\\a.htm", "\\b.htm"}));

    // Other document windows stay open.
    auto* other = new TfrmAbstractMDIChild;
    ClosePageEditorWindows({"\\b.htm", "\\x.htm"}, false);
    ProcessEvents();
    EXPECT_EQ(OpenPages(), std::vector<std::string>{"\\a.htm"});
    ClosePageEditorWindows({}, true);
    ProcessEvents();
    EXPECT_TRUE(OpenPages().empty());
    EXPECT_EQ(OpenDocumentWindows(), std::vector<TfrmAbstractMDIChild*>{other});
    EXPECT_TRUE(CloseDocumentWindows());
    ProcessEvents();
}

TEST(TemplateTree, NodesReferToTheirObjectsAndShowThePictureOfTheirKind) {
    TEditorCore core;
    ASSERT_GE(core.Templates().Count(), 1);
    QTreeWidget tree;
    new QTreeWidgetItem(&tree, QStringList(QStringLiteral("left over")));
    FillTemplateTree(core.Templates(), &tree);
    ASSERT_EQ(tree.topLevelItemCount(), core.Templates().Count());

    int chapters = 0, pages = 0;
    std::function<void(QTreeWidgetItem*, const TTemplateItems&)> check = [&](QTreeWidgetItem* Node,
                                                                             const TTemplateItems& Items) {
        ASSERT_EQ(Node->childCount(), static_cast<int>(Items.size()));
        for (int i = 0; i < Node->childCount(); ++i) {
            QTreeWidgetItem* child = Node->child(i);
            const TTemplateItem* entry = Items[static_cast<std::size_t>(i)].get();
            EXPECT_EQ(child->text(0).toStdString(), entry->Caption);
            EXPECT_EQ(NodeTemplate(child), nullptr);
            EXPECT_FALSE(child->icon(0).isNull());
            if (entry->IsChapter) {
                ++chapters;
                EXPECT_EQ(NodeTemplateChapter(child), entry);
                EXPECT_EQ(NodeTemplatePage(child), nullptr);
                check(child, static_cast<const TTemplateChapter*>(entry)->Items);
            } else {
                ++pages;
                EXPECT_EQ(NodeTemplatePage(child), entry);
                EXPECT_EQ(NodeTemplateChapter(child), nullptr);
            }
        }
    };
    for (int i = 0; i < tree.topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = tree.topLevelItem(i);
        TTemplate* expected = core.Templates().Items(i);
        EXPECT_EQ(top->text(0).toStdString(), expected->Caption);
        EXPECT_EQ(NodeTemplate(top), expected);
        EXPECT_EQ(NodeTemplatePage(top), nullptr);
        EXPECT_FALSE(top->icon(0).isNull());
        check(top, expected->Items);
    }
    EXPECT_GT(chapters, 0);
    EXPECT_GT(pages, 0);
    EXPECT_EQ(NodeTemplate(nullptr), nullptr);
}

} // namespace
