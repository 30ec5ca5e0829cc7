// The wizard driven as an author drives it: both routes with Back, the buttons' rules,
// the template and folder steps, finishing early, the New Project command before it,
// and one whole run on the template route that ends in a compiled book read back.
#include "wizard_helpers.h"

#include "c_LinkLabel.h"
#include "fram_WizFinish.h"
#include "fram_WizFolder.h"
#include "fram_WizGeneral.h"
#include "fram_WizGeneralOptions.h"
#include "fram_WizSecurityType.h"
#include "fram_WizSplash.h"
#include "fram_WizTemplate.h"
#include "fram_WizToolbarOptions.h"
#include "frm_Wizard.h"
#include "u_Compile.h"
#include "u_MFSCab.h"
#include "u_Resources.h"
#include "u_SpaceXMLParser.h"
#include "u_Templates.h"
#include "u_XMLValues.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

namespace {

template <class T>
T* Frame(TfrmWizard& Wizard) {
    auto* frame = dynamic_cast<T*>(Wizard.StepFrame());
    EXPECT_NE(frame, nullptr) << "step " << Wizard.StepIndex;
    return frame;
}

QTreeWidgetItem* FindNode(QTreeWidget* Tree, const QString& Caption) {
    const QList<QTreeWidgetItem*> found = Tree->findItems(Caption, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

// The controls of a window that a screen reader would not name, and those whose own
// text (a caption, a title, a label's text) is overridden by a name that would not
// follow it when it changes.
std::vector<std::string> UnnamedControls(QWidget* Window) {
    std::vector<std::string> unnamed;
    for (QWidget* control : Window->findChildren<QWidget*>()) {
        const std::string what =
            std::string(control->metaObject()->className()) + " " + control->objectName().toStdString();
        const auto* button = qobject_cast<QAbstractButton*>(control);
        const auto* label = qobject_cast<QLabel*>(control);
        const auto* group = qobject_cast<QGroupBox*>(control);
        const bool ownText = (button && !button->text().isEmpty()) || (label && !label->text().isEmpty()) ||
                             (group && !group->title().isEmpty());
        if (ownText && !control->accessibleName().isEmpty())
            unnamed.push_back(what + " (its text overridden)");
        const bool interactive = control->focusPolicy() != Qt::NoFocus || button;
        if (!interactive || control->objectName().startsWith("qt_") || !control->isVisibleTo(Window))
            continue;
        if (qobject_cast<QAbstractSpinBox*>(control->parentWidget()) || qobject_cast<QComboBox*>(control->parentWidget()))
            continue;
        if (QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name).isEmpty())
            unnamed.push_back(what);
    }
    return unnamed;
}

struct ButtonStates {
    bool Back, Next, Finish;
    bool operator==(const ButtonStates&) const = default;
};

ButtonStates States(const TfrmWizard& w) {
    return {w.btnBack->isEnabled(), w.btnNext->isEnabled(), w.btnFinish->isEnabled()};
}

class WizardTest : public WizardFixture {
protected:
    void SetUp() override {
        WizardFixture::SetUp();
        Wizard = std::make_unique<TfrmWizard>(*Core);
        Wizard->ShowStep(0);
        Wizard->show();
        ProcessEvents();
    }
    void TearDown() override {
        Wizard.reset();
        WizardFixture::TearDown();
    }

    // A folder of two pages on disk.
    std::string PagesFolder() {
        QDir(Temp.path()).mkpath(QStringLiteral("Pages/sub"));
        TempFile("Pages/one.htm", "<html><title>One</title>first</html>");
        TempFile("Pages/sub/two.html", "<html><title>Two</title>second</html>");
        return Temp.filePath(QStringLiteral("Pages")).toStdString();
    }

    std::unique_ptr<TfrmWizard> Wizard;
};

} // namespace

TEST_F(WizardTest, StepFramesMatchTheStepTable) {
    for (int i = 0; i < WizardStepCount; ++i) {
        std::unique_ptr<TframWizardStep> frame(TfrmWizard::CreateStepFrame(i, *Core, nullptr));
        EXPECT_EQ(StepIndexOf(frame->metaObject()->className()), i);
        const QPixmap picture = frame->GetStepImage();
        EXPECT_EQ(picture.size(), QSize(140, 300)) << i;
        frame->InitStep(nullptr);
        frame->show();
        EXPECT_EQ(UnnamedControls(frame.get()), std::vector<std::string>()) << i;
    }
    EXPECT_EQ(Wizard->size(), QSize(642, 346));
    EXPECT_EQ(Wizard->windowTitle(), "Project Wizard");
    EXPECT_TRUE(Wizard->btnFinish->isDefault());
}

TEST_F(WizardTest, NoRouteChosenDisablesNextAndFinishAndBackShowsTheChoice) {
    EXPECT_EQ(States(*Wizard), (ButtonStates{false, false, false}));
    Wizard->btnNextClick(); // nothing happens while disabled
    Wizard->btnFinishClick();
    EXPECT_EQ(Wizard->StepIndex, 0);
    EXPECT_FALSE(Wizard->isHidden());

    Frame<TframWizGeneral>(*Wizard)->rbFromFolder->click();
    EXPECT_EQ(States(*Wizard), (ButtonStates{false, true, true}));
    Wizard->btnNext->click();
    EXPECT_EQ(Wizard->StepIndex, 1);
    EXPECT_EQ(Wizard->GetStepValue("FromTemplate"), "0");
    EXPECT_EQ(States(*Wizard), (ButtonStates{true, false, false})); // no folder selected yet
    Wizard->btnBack->click();
    EXPECT_EQ(Wizard->StepIndex, 0);
    EXPECT_TRUE(Frame<TframWizGeneral>(*Wizard)->rbFromFolder->isChecked());
    EXPECT_FALSE(Frame<TframWizGeneral>(*Wizard)->rbFromTemplate->isChecked());

    Frame<TframWizGeneral>(*Wizard)->rbFromTemplate->click();
    Wizard->btnNext->click();
    EXPECT_EQ(Wizard->StepIndex, 2);
    EXPECT_EQ(Wizard->GetStepValue("fromtemplate"), "-1");
    Wizard->btnBack->click();
    EXPECT_TRUE(Frame<TframWizGeneral>(*Wizard)->rbFromTemplate->isChecked());
    EXPECT_TRUE(Wizard->StepHistory.Empty());
}

TEST_F(WizardTest, ARouteChosenThroughTheAccessibilityInterfaceEnablesNext) {
    // Assistive technology toggles the radio button (its "Toggle" action); no click
    // reaches the button, and Next follows all the same.
    QAccessibleInterface* route =
        QAccessible::queryAccessibleInterface(Frame<TframWizGeneral>(*Wizard)->rbFromTemplate);
    ASSERT_NE(route, nullptr);
    ASSERT_NE(route->actionInterface(), nullptr);
    EXPECT_TRUE(route->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    route->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(Frame<TframWizGeneral>(*Wizard)->rbFromTemplate->isChecked());
    EXPECT_EQ(States(*Wizard), (ButtonStates{false, true, true}));
    Wizard->btnNext->click();
    EXPECT_EQ(Wizard->StepIndex, 2);

    // The security step: "Protect Type" follows the method chosen the same way.
    Wizard->ShowStep(5);
    auto* security = Frame<TframWizSecurityType>(*Wizard);
    QAccessible::queryAccessibleInterface(security->rbNoSecurity)
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_FALSE(security->grpProtectType->isEnabled());
    QAccessible::queryAccessibleInterface(security->rbPassword)
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(security->grpProtectType->isEnabled());
}

TEST_F(WizardTest, FinishOnTheFirstStepAppliesOnlyThatStep) {
    const std::string before = Project().ProjectFileText();
    const std::string encrypt = SystemText("\\Encrypt.xml");
    Frame<TframWizGeneral>(*Wizard)->rbFromTemplate->click();
    EXPECT_TRUE(Wizard->btnFinish->isEnabled());
    Wizard->btnFinish->click();
    EXPECT_EQ(Wizard->result(), QDialog::Accepted);
    EXPECT_EQ(Wizard->GetStepValue("FromTemplate"), "-1");
    EXPECT_EQ(Project().ProjectFileText(), before);
    EXPECT_EQ(SystemText("\\Encrypt.xml"), encrypt);
}

TEST_F(WizardTest, TemplateStepTakesOnlyATemplateNode) {
    Frame<TframWizGeneral>(*Wizard)->rbFromTemplate->click();
    Wizard->btnNext->click();
    auto* step = Frame<TframWizTemplate>(*Wizard);
    ASSERT_EQ(step->tvTemplates->topLevelItemCount(), Core->Templates().Count());
    QTreeWidgetItem* novel = FindNode(step->tvTemplates, "Novel");
    ASSERT_NE(novel, nullptr);
    QTreeWidgetItem* chapter = FindNode(step->tvTemplates, "Part One: The Ledger");
    QTreeWidgetItem* page = FindNode(step->tvTemplates, "2. Low Water");
    ASSERT_TRUE(chapter && page);
    EXPECT_EQ(chapter->parent(), novel);

    step->tvTemplates->setCurrentItem(chapter);
    EXPECT_EQ(States(*Wizard), (ButtonStates{true, false, false}));
    step->tvTemplates->setCurrentItem(page);
    EXPECT_EQ(States(*Wizard), (ButtonStates{true, false, false}));
    // Applied anyway, an invalid step raises the wizard's error and stays.
    try {
        step->ApplyStep();
        FAIL();
    } catch (const EWizardError& e) {
        EXPECT_STREQ(e.what(), "Not all options has been properly set");
    }

    step->tvTemplates->setCurrentItem(novel);
    EXPECT_EQ(States(*Wizard), (ButtonStates{true, true, true}));
    EXPECT_EQ(step->memDescription->toPlainText().toStdString(), Core->Templates().FindByCaption("Novel")->Description);
    EXPECT_TRUE(step->imgThumbnail->HasPicture());
    EXPECT_EQ(step->imgThumbnail->size(), QSize(200, 200));
    SaveScreenshot(Wizard.get(), "wizard_step2_template.png");

    // Cancel at the question about clearing the story adds nothing, and the wizard goes on.
    const int items = static_cast<int>(Project().Story().AllItems().size());
    ASSERT_GT(items, 0); // the default project's welcome page
    Host().AskAnswer = IProjectHost::Cancel;
    Wizard->btnNext->click();
    EXPECT_EQ(Wizard->StepIndex, 3);
    EXPECT_EQ(static_cast<int>(Project().Story().AllItems().size()), items);
    ASSERT_EQ(Host().Questions.size(), 1u);
    EXPECT_EQ(Host().Questions[0], "Clear story before adding whole template?");

    // Back from step 3 shows the template step again; going on adds the pages (No keeps the story).
    Wizard->btnBack->click();
    EXPECT_EQ(Wizard->StepIndex, 2);
    Host().AskAnswer = IProjectHost::No;
    Frame<TframWizTemplate>(*Wizard)->tvTemplates->setCurrentItem(
        FindNode(Frame<TframWizTemplate>(*Wizard)->tvTemplates, "Novel"));
    Wizard->btnNext->click();
    EXPECT_EQ(Wizard->StepIndex, 3);
    EXPECT_GT(static_cast<int>(Project().Story().AllItems().size()), items + 5);
    EXPECT_EQ(Project().Options().Template, "Novel");
}

TEST_F(WizardTest, FolderRouteImportsTheFolderAndACancelledQuestionKeepsTheStep) {
    const std::string folder = PagesFolder();
    Frame<TframWizGeneral>(*Wizard)->rbFromFolder->click();
    Wizard->btnNext->click();
    auto* step = Frame<TframWizFolder>(*Wizard);
    step->SelectFolder(folder);
    EXPECT_EQ(step->SelectedFolder(), folder);
    EXPECT_EQ(States(*Wizard), (ButtonStates{true, true, true}));
    // The tree reads folders in the background and then shows the selected one.
    QTreeView* tree = step->tvFolders;
    WaitFor(
        [&] {
            return tree->model()->rowCount(tree->model()->index(0, 0)) > 3 &&
                   tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex()));
        },
        5000);
    SaveScreenshot(Wizard.get(), "wizard_step1_folder.png");

    const size_t items = Project().Story().AllItems().size();
    Host().AskAnswer = IProjectHost::Cancel;
    Wizard->btnNext->click();
    EXPECT_EQ(Wizard->StepIndex, 1);
    EXPECT_EQ(Wizard->StepHistory.Count(), 1);
    EXPECT_EQ(Project().Story().AllItems().size(), items);
    EXPECT_TRUE(Messages().empty()); // a silent end

    Host().AskAnswer = IProjectHost::Yes; // clear the story first
    Wizard->btnNext->click();
    EXPECT_EQ(Wizard->StepIndex, 3);
    std::vector<std::string> titles;
    for (TProjectItemInfo* item : Project().Story().AllItems())
        titles.push_back(item->Name);
    EXPECT_EQ(titles, (std::vector<std::string>{"One", "Two"}));

    // The rest of the route in table order, and Back retraces it.
    std::vector<int> shown{0, 1, 3};
    while (Wizard->btnNext->isEnabled()) {
        Wizard->btnNext->click();
        shown.push_back(Wizard->StepIndex);
    }
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 3, 4, 5, 6, 7}));
    EXPECT_EQ(States(*Wizard), (ButtonStates{true, false, true}));
    std::vector<int> back;
    while (Wizard->btnBack->isEnabled()) {
        Wizard->btnBack->click();
        back.push_back(Wizard->StepIndex);
    }
    EXPECT_EQ(back, (std::vector<int>{6, 5, 4, 3, 1, 0}));
}

TEST_F(WizardTest, TemplateRouteToTheEndCompilesABookThatReadsBack) {
    const std::string projectFile = NewSavedProject(*Core, Temp, "Tale");
    Wizard->ShowStep(0);
    Host().Answers["Clear story before adding whole template?"] = IProjectHost::Yes;
    SaveScreenshot(Wizard.get(), "wizard_step0_general.png");

    Frame<TframWizGeneral>(*Wizard)->rbFromTemplate->click();
    Wizard->btnNext->click();
    auto* tpl = Frame<TframWizTemplate>(*Wizard);
    tpl->tvTemplates->setCurrentItem(FindNode(tpl->tvTemplates, "Novel"));
    Wizard->btnNext->click();
    ASSERT_EQ(Wizard->StepIndex, 3);

    auto* general = Frame<TframWizGeneralOptions>(*Wizard);
    EXPECT_EQ(general->cmbxDefaultTemplate->currentText(), "Novel");
    general->edtMainFormCaption->setText("The Lamp Room");
    general->edtApplicationTitle->setText("Lamp \"Room\"");
    general->spnedtWidth->setValue(1024);
    SaveScreenshot(Wizard.get(), "wizard_step3_general_options.png");
    Wizard->btnNext->click();

    auto* toolbar = Frame<TframWizToolbarOptions>(*Wizard);
    toolbar->cmbToolbarPlacement->setCurrentIndex(1);
    toolbar->spnedtToolbarBtnW->setValue(40);
    SaveScreenshot(Wizard.get(), "wizard_step4_toolbar_options.png");
    Wizard->btnNext->click();

    auto* security = Frame<TframWizSecurityType>(*Wizard);
    security->rbPassword->click();
    security->rbAllBook->click();
    security->edtPassword->setText("open sesame");
    SaveScreenshot(Wizard.get(), "wizard_step5_security.png");
    Wizard->btnNext->click();

    auto* splash = Frame<TframWizSplash>(*Wizard);
    splash->Pages[0].rgSplashType->button(1)->click();
    SaveScreenshot(Wizard.get(), "wizard_step6_splash.png");
    Wizard->btnNext->click();

    auto* finish = Frame<TframWizFinish>(*Wizard);
    ASSERT_NE(finish, nullptr);
    EXPECT_TRUE(finish->btnRun->isEnabled()) << "Run compiles a book that is not there yet";
    EXPECT_FALSE(finish->lblFolder->isEnabled());
    EXPECT_EQ(finish->lblFolder->text(), "Click here to open your eBook folder");
    SaveScreenshot(Wizard.get(), "wizard_step7_finish.png");
    finish->btnCompile->click();
    const std::string book = Core->OutputFileName();
    EXPECT_EQ(book, ChangeFileExt(projectFile, ".exe"));
    ASSERT_TRUE(QFileInfo::exists(QString::fromStdString(book))) << (Messages().empty() ? "" : Messages()[0]);
    EXPECT_TRUE(finish->btnRun->isEnabled());
    EXPECT_TRUE(finish->lblFolder->isEnabled());
    EXPECT_EQ(finish->lblFolder->text(), Temp.path());
    EXPECT_EQ(finish->lblFolder->Link(), QUrl::fromLocalFile(Temp.path()).toString().toStdString());
    SaveScreenshot(Wizard.get(), "wizard_step7_finish_compiled.png");
    Wizard->btnFinish->click();
    EXPECT_EQ(Wizard->result(), QDialog::Accepted);

    // The book as the reader gets it: its system description, story and protected pages.
    TMFS system;
    UnpackStore(system, ReadResource(book, "RCDATA", SystemResourceName));
    TXMLParser parser;
    parser.LoadFromString(StoreText(system, "\\System.xml"));
    TProjectOptions read;
    ReadProjectOptions(read, parser.Root());
    ReadSplashOptions(read.Splash(), XmlFindChild(parser.Root(), "splash"));
    ReadToolbarOptions(read.Toolbar(), XmlFindChild(parser.Root(), "toolbar"));
    EXPECT_EQ(read.MainFormCaption, "The Lamp Room");
    EXPECT_EQ(read.ApplicationTitle, "Lamp \"Room\"");
    EXPECT_EQ(read.Width, 1024);
    EXPECT_EQ(read.Template, "Novel");
    EXPECT_EQ(read.Toolbar().ToolbarPlacement, tpBottom);
    EXPECT_EQ(read.Toolbar().ToolbarBtnW, 40);
    EXPECT_EQ(read.Splash().SplashTypeS, vsPopUp);

    const std::string story = StoreText(system, "\\Story.xml");
    EXPECT_NE(story.find("pagename=\"1. An Inventory of Small Things\""), std::string::npos);
    EXPECT_NE(story.find("About the Author"), std::string::npos);
    EXPECT_EQ(story.find("Welcome"), std::string::npos); // the story was cleared first

    EXPECT_EQ(StoreText(system, "\\Decrypt.xml"), "<Decrypt Method=\"Password\" PasswordType=\"Simple\"/>\r\n");
    std::string cabinet;
    ASSERT_TRUE(DecryptData(ReadResource(book, "RCDATA", FilesResourceName), "open sesame", true, cabinet));
    TMFS pages;
    UnpackStore(pages, cabinet);
    EXPECT_GT(pages.Root()->ChildCount(), 5);
}

TEST_F(WizardTest, AStepThatCannotReadTheProjectIsShownAfterTheError) {
    Project().SetSecurityText("<Encrypt Method=\"Password");
    Wizard->ShowStep(5);
    EXPECT_EQ(Wizard->StepIndex, 5);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Asked[0].Type, TMsgDlgType::mtError);
    EXPECT_NE(Frame<TframWizSecurityType>(*Wizard), nullptr);
    EXPECT_TRUE(Wizard->btnFinish->isEnabled());
}

TEST_F(WizardTest, RunWizardStartsANewProjectAndARefusalShowsNoWizard) {
    Wizard.reset();
    // A changed project whose save question is cancelled: New Project refuses.
    Project().SetModified(true);
    Host().SaveChangesAnswer = IProjectHost::Cancel;
    bool shown = false;
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, [&] {
        if (auto* modal = qobject_cast<TfrmWizard*>(QApplication::activeModalWidget())) {
            shown = true;
            modal->reject();
        }
    });
    guard.start(50);
    RunWizard(*Core);
    EXPECT_FALSE(shown);
    EXPECT_EQ(Host().SaveQuestions, 1);

    // Accepted: the wizard shows step 0 over a new, modified project; Cancel closes it.
    Host().SaveChangesAnswer = IProjectHost::No;
    int step = -1;
    bool modified = false;
    guard.stop();
    QObject::disconnect(&guard, nullptr, nullptr, nullptr);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        if (auto* modal = qobject_cast<TfrmWizard*>(QApplication::activeModalWidget())) {
            shown = true;
            step = modal->StepIndex;
            modified = Project().Modified();
            modal->btnCancel->click();
        }
    });
    guard.start(50);
    ASSERT_TRUE(EditorWindows().RunWizard);
    EditorWindows().RunWizard(*Core);
    EXPECT_TRUE(shown);
    EXPECT_EQ(step, 0);
    EXPECT_TRUE(modified);
    EXPECT_TRUE(Project().FileName().empty());
}
