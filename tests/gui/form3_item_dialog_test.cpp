// The item dialog in its four modes, over a real editor, as the editor builds it.
#include <QSignalSpy>
#include <QTest>

#include "editors/form3.h"
#include "editors/item_rules.h"
#include "platform/file_filters.h"
#include "tests/gui/gui_test_support.h"

namespace zolvantek {
namespace {

using Lines = QStringList;

class ItemDialogTest : public test_support::EditorFixture {
protected:
    // The dialog as the editor opens it: adding, or editing `line`.
    std::unique_ptr<Form3> Open(ListKind kind, bool editing = false, const std::string& line = {}) {
        auto dialog =
            std::make_unique<Form3>(kind, editing, line, EditorServices{&messages_, &files_});
        dialog->show();
        return dialog;
    }
    // Which of the mode-dependent controls the dialog shows.
    static QStringList ShownParts(Form3& d) {
        QStringList shown;
        for (QWidget* part : std::initializer_list<QWidget*>{d.Text3, d.Label3, d.Command1,
                                                             d.Command3, d.Command2, d.Frame3}) {
            if (part->isVisibleTo(&d)) shown << part->objectName();
        }
        return shown;
    }
};

TEST_F(ItemDialogTest, AddModesShowTheirFieldsAndHandBackTheBuiltLine) {
    auto directory = Open(ListKind::Directories);
    EXPECT_EQ(directory->windowTitle(), "Add Directory");
    EXPECT_EQ(directory->Label2->text(), "Directory");
    EXPECT_EQ(ShownParts(*directory), Lines({"Command2", "Frame3"}));
    EXPECT_TRUE(directory->Option4->isChecked() && directory->Option1->isChecked());
    EXPECT_EQ(directory->focusWidget(), directory->Text1);
    QTest::keyClicks(directory->Text1, "Work");
    QTest::keyClick(directory->Text1, Qt::Key_Tab);
    QTest::keyClicks(directory->focusWidget(), "C:\\Work");
    QTest::keyClick(directory->Text2, Qt::Key_Return);  // OK is the default button
    EXPECT_EQ(directory->result(), QDialog::Accepted);
    EXPECT_EQ(directory->line(), "Work | C:\\Work | Explorer | Normal");

    auto program = Open(ListKind::Programs);
    EXPECT_EQ(program->windowTitle(), "Add Program");
    EXPECT_EQ(program->Label2->text(), "Program");
    EXPECT_EQ(ShownParts(*program), Lines({"Text3", "Label3", "Command1", "Command3"}));
    program->Text1->setText(" ");  // a blank name is a name
    program->Text2->setText("/usr/bin/clock");
    program->btnOK->click();
    EXPECT_EQ(program->line(), "  | /usr/bin/clock |  | Normal");
    auto second = Open(ListKind::Programs);
    second->Text1->setText("Ed");
    second->Text2->setText("/bin/ed");
    second->Text3->setText("\"a b\" c");
    second->Option3->setChecked(true);
    second->btnOK->click();
    EXPECT_EQ(second->line(), "Ed | /bin/ed | \"a b\" c | Maximized");
    auto cancelled = Open(ListKind::Programs);
    QTest::keyClick(cancelled->Text1, Qt::Key_Escape);
    EXPECT_EQ(cancelled->result(), QDialog::Rejected);
}

TEST_F(ItemDialogTest, EditModesShowTheLineAndHandBackTheEditedOne) {
    auto directory = Open(ListKind::Directories, true, "Work | C:\\Work | Form | Maximized");
    EXPECT_EQ(directory->windowTitle(), "Edit Directory");
    EXPECT_EQ(directory->Text1->text(), "Work");
    EXPECT_EQ(directory->Text2->text(), "C:\\Work");
    EXPECT_TRUE(directory->Option5->isChecked() && directory->Option3->isChecked());
    directory->Option4->setChecked(true);
    directory->Option2->setChecked(true);
    directory->btnOK->click();
    EXPECT_EQ(directory->line(), "Work | C:\\Work | Explorer | Minimized");

    auto program = Open(ListKind::Programs, true, "Ed | /bin/ed | -p x | Minimized");
    EXPECT_EQ(program->windowTitle(), "Edit Program");
    EXPECT_EQ(program->Text3->text(), "-p x");
    EXPECT_TRUE(program->Option2->isChecked());

    // Words count only when exact; a line that does not split opens empty.
    auto lower = Open(ListKind::Directories, true, "x | /y | form | MAXIMIZED");
    EXPECT_TRUE(lower->Option4->isChecked() && lower->Option1->isChecked());
    lower->btnOK->click();
    EXPECT_EQ(lower->line(), "x | /y | Explorer | Normal");
    auto broken = Open(ListKind::Programs, true, "no bars at all");
    EXPECT_EQ(broken->windowTitle(), "Edit Program");
    EXPECT_TRUE(broken->Text1->text().isEmpty() && broken->Text2->text().isEmpty());
}

TEST_F(ItemDialogTest, OkRefusesMissingFieldsAndBarsAndKeepsEverythingAsTyped) {
    using Fields = std::tuple<ListKind, QString, QString, QString>;
    const ListKind dir = ListKind::Directories, prog = ListKind::Programs;
    for (const auto& [kind, name, path, arguments] :
         {Fields{prog, "", "/p", ""}, Fields{prog, "Name", "", ""},
          Fields{prog, "A|B", "/x|y", "a|b"}, Fields{prog, "AB", "/x|y", "a|b"},
          Fields{prog, "AB", "/xy", "a|b"}, Fields{dir, "Name", "", ""},
          Fields{dir, "Name", "/a|b", ""}, Fields{prog, "N", "/p", QString(40000, u'a')}}) {
        auto dialog = Open(kind);
        dialog->Text1->setText(name);
        dialog->Text2->setText(path);
        dialog->Text3->setText(arguments);
        dialog->btnOK->click();
        EXPECT_TRUE(dialog->isVisible() && dialog->Text3->text() == arguments);
    }
    EXPECT_EQ(messages_.texts,
              Lines({"You must specify a shortcut name", "You must specify a Program Path",
                     "The shortcut name cannot contain the character |",
                     "The program path cannot contain the character |",
                     "The program arguments cannot contain the character |",
                     "You must specify a Directory", "The directory cannot contain the character |",
                     "The entry is too long: a stored line holds at most 32767 characters"}));
    EXPECT_EQ(messages_.owners.first(), "Form3");
}

TEST_F(ItemDialogTest, BrowseButtonsPutTheChosenFileInTheirBoxAndKeepItOnCancel) {
    auto dialog = Open(ListKind::Programs);
    dialog->Text2->setText("/old");
    dialog->Text3->setText("--keep these");
    dialog->Command1->click();
    dialog->Command3->click();
    EXPECT_EQ(dialog->Text2->text(), "/old");
    EXPECT_EQ(dialog->Text3->text(), "--keep these");
    files_.answer = "/usr/bin/chosen";
    dialog->Command1->click();
    files_.answer = "/home/me/notes.txt";
    dialog->Command3->click();
    EXPECT_EQ(dialog->Text2->text(), "/usr/bin/chosen");
    EXPECT_EQ(dialog->Text3->text(), "/home/me/notes.txt");

    ASSERT_EQ(files_.asked.size(), 4u);
    EXPECT_EQ(std::get<0>(files_.asked[0]), "Form3");
    EXPECT_EQ(std::get<1>(files_.asked[0]), "Program to Add");
    EXPECT_EQ(std::get<1>(files_.asked[1]), "Program to Add");
    // Both buttons give a typed name the platform's default extension.
    const QString suffix = QString::fromStdString(platform::ProgramDefaultSuffix());
    EXPECT_EQ(files_.suffixes, Lines({suffix, suffix, suffix, suffix}));

    QSignalSpy help(dialog.get(), &Form3::helpRequested);
    QApplication::setActiveWindow(dialog.get());
    QTest::keyClick(dialog->Text1, Qt::Key_F1);
    ASSERT_EQ(help.count(), 1);
    EXPECT_EQ(help[0][0].toInt(), 20);
}

TEST(ItemRules, LinesTooLongToSplitAgainAreRefusedAndADirectoryIgnoresArguments) {
    const ItemFields longest{"n", "p", std::string(32767 - 17, 'a')};
    EXPECT_EQ(BuildItemLine(ListKind::Programs, longest).size(), 32767u);
    EXPECT_FALSE(CheckItemFields(ListKind::Programs, longest));
    ItemFields longer = longest;
    longer.arguments += 'a';
    EXPECT_EQ(CheckItemFields(ListKind::Programs, longer).value_or("").substr(0, 21),
              "The entry is too long");
    // A directory's hidden arguments box is never read.
    EXPECT_FALSE(CheckItemFields(ListKind::Directories, longer));
    EXPECT_FALSE(CheckItemFields(ListKind::Directories, {"n", "p", "a|b"}));
}

TEST(ItemDialogServices, TheRealBoxShowsPlainTextWithOneOkAndTheFileDialogWantsAnExistingFile) {
    auto box = BuildMessageBox(nullptr, "<b>1</b>\nline 2", QString());
    EXPECT_EQ(box->windowTitle(), "ZOLVANTEK");
    EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
    EXPECT_EQ(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(box->textFormat(), Qt::PlainText);

    const QStringList filters = {"Programs (*.exe)", "All files (*.*)"};
    auto dialog = BuildOpenFileDialog(nullptr, "Program to Add", filters, "exe");
    EXPECT_EQ(dialog->windowTitle(), "Program to Add");
    EXPECT_EQ(dialog->nameFilters(), filters);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(dialog->defaultSuffix(), "exe");
}

TEST(ItemDialogServices, ATrayMessageTakesTheFocusAndIsNeverStackedTwice) {
    const auto openBoxes = [] {
        QStringList texts;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(window);
            if (box != nullptr && box->isVisible()) texts << box->text();
        }
        return texts;
    };
    for (const char* text : {"Directory does not Exist!", "Directory does not Exist!",
                             "Program Does Not Exist!", "Directory does not Exist!"}) {
        QtMessageBoxes().Show(nullptr, text);
        EXPECT_TRUE(QTest::qWaitFor([text] {
            auto* active = qobject_cast<QMessageBox*>(QApplication::activeWindow());
            return active != nullptr && active->text() == text;
        })) << text;
    }
    QStringList shown = openBoxes();
    shown.sort();
    EXPECT_EQ(shown, Lines({"Directory does not Exist!", "Program Does Not Exist!"}));
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMessageBox*>(window) != nullptr) window->close();
    }
}

}  // namespace
}  // namespace zolvantek
