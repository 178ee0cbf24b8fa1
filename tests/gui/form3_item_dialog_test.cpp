// The item dialog in its four modes, as the editor builds it.
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
    // The title, the mode-dependent controls shown and the two option groups' checked
    // buttons.
    static QStringList Looks(Form3& d) {
        QStringList shown{d.windowTitle(), d.Label2->text()};
        for (QWidget* part : std::initializer_list<QWidget*>{d.Text3, d.Label3, d.Command1,
                                                             d.Command3, d.Command2, d.Frame3}) {
            if (part->isVisibleTo(&d)) shown << part->objectName();
        }
        for (QRadioButton* option : {d.Option1, d.Option2, d.Option3, d.Option4, d.Option5}) {
            if (option->isChecked() && option->isVisibleTo(&d)) shown << option->objectName();
        }
        return shown;
    }
};

TEST_F(ItemDialogTest, EachModeShowsItsFieldsAndHandsBackTheLineBuiltFromThem) {
    auto directory = Open(ListKind::Directories);
    EXPECT_EQ(Looks(*directory),
              Lines({"Add Directory", "Directory", "Command2", "Frame3", "Option1", "Option4"}));
    EXPECT_EQ(directory->focusWidget(), directory->Text1);
    QTest::keyClicks(directory->Text1, "Work");
    QTest::keyClick(directory->Text1, Qt::Key_Tab);
    QTest::keyClicks(directory->focusWidget(), "C:\\Work");
    QTest::keyClick(directory->Text2, Qt::Key_Return);  // OK is the default button
    EXPECT_EQ(directory->result(), QDialog::Accepted);
    EXPECT_EQ(directory->line(), "Work | C:\\Work | Explorer | Normal");

    auto program = Open(ListKind::Programs);
    EXPECT_EQ(Looks(*program), Lines({"Add Program", "Program", "Text3", "Label3", "Command1",
                                      "Command3", "Option1"}));
    program->Text1->setText(" ");  // a blank name is a name
    program->Text2->setText("/bin/ed");
    program->Text3->setText("\"a b\" c");
    program->Option3->setChecked(true);
    program->btnOK->click();
    EXPECT_EQ(program->line(), "  | /bin/ed | \"a b\" c | Maximized");
    auto cancelled = Open(ListKind::Programs);
    QTest::keyClick(cancelled->Text1, Qt::Key_Escape);
    EXPECT_EQ(cancelled->result(), QDialog::Rejected);

    auto edited = Open(ListKind::Directories, true, "Work | C:\\Work | Form | Maximized");
    EXPECT_EQ(Looks(*edited),
              Lines({"Edit Directory", "Directory", "Command2", "Frame3", "Option3", "Option5"}));
    EXPECT_EQ(edited->Text2->text(), "C:\\Work");
    edited->Text1->setText("Job");
    edited->Option4->setChecked(true);
    edited->Option2->setChecked(true);
    edited->btnOK->click();
    EXPECT_EQ(edited->line(), "Job | C:\\Work | Explorer | Minimized");
    auto editedProgram = Open(ListKind::Programs, true, "Ed | /bin/ed | -p x | Minimized");
    EXPECT_EQ(Looks(*editedProgram).first(), "Edit Program");
    EXPECT_EQ(editedProgram->Text3->text(), "-p x");
    EXPECT_TRUE(editedProgram->Option2->isChecked());
    // Words count only when exact; a line that does not split opens empty.
    auto lower = Open(ListKind::Directories, true, "x | /y | form | MAXIMIZED");
    lower->btnOK->click();
    EXPECT_EQ(lower->line(), "x | /y | Explorer | Normal");
    auto broken = Open(ListKind::Programs, true, "no bars at all");
    EXPECT_TRUE(broken->Text1->text().isEmpty() && broken->Text2->text().isEmpty());
}

TEST_F(ItemDialogTest, OkRefusesMissingFieldsBarsAndOverlongLinesAndKeepsWhatWasTyped) {
    using Fields = std::tuple<ListKind, QString, QString, QString>;
    const ListKind dir = ListKind::Directories, prog = ListKind::Programs;
    const QString longest(32767 - 17, u'a');
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
    // The longest line that still splits is taken; a directory's hidden arguments are never read.
    EXPECT_EQ(BuildItemLine(ListKind::Programs, {"n", "p", longest.toStdString()}).size(), 32767u);
    EXPECT_FALSE(CheckItemFields(ListKind::Programs, {"n", "p", longest.toStdString()}));
    EXPECT_FALSE(CheckItemFields(ListKind::Directories, {"n", "p", longest.toStdString() + "a|"}));
}

TEST_F(ItemDialogTest, BrowseButtonsPutTheChosenFileInTheirBoxKeepItOnCancelAndF1AsksForHelp) {
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
    EXPECT_EQ(files_.asked, Lines(4, "Form3: Program to Add"));
    // Both buttons give a typed name the platform's default extension.
    const QString suffix = QString::fromStdString(platform::ProgramDefaultSuffix());
    EXPECT_EQ(files_.suffixes, Lines(4, suffix));

    QSignalSpy help(dialog.get(), &Form3::helpRequested);
    QApplication::setActiveWindow(dialog.get());
    QTest::keyClick(dialog->Text1, Qt::Key_F1);
    ASSERT_EQ(help.count(), 1);
    EXPECT_EQ(help[0][0].toInt(), 20);
}

}  // namespace
}  // namespace zolvantek
