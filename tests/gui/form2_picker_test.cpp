// The directory picker over a real item dialog, and the drive rules behind its drive list.
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "editors/form2.h"
#include "editors/form3.h"
#include "platform/drives.h"
#include "tests/gui/gui_test_support.h"

namespace zolvantek {
namespace {

std::string Bytes(const QString& text) { return text.toLocal8Bit().toStdString(); }
QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

class PickerTest : public test_support::EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        work_ = QDir(tree_.path()).canonicalPath() + "/Work";
        for (const char* inside : {"/Inner", "/Other", "/.hidden"}) QDir().mkpath(work_ + inside);
    }
    // The item dialog in directory mode with `path` in its path box, adding or editing.
    std::unique_ptr<Form3> ItemDialog(const QString& path, bool editing) {
        OpenOn(ListKind::Directories, {"Entry | " + Bytes(path) + " | Explorer | Normal"});
        form1_->lstPath->setCurrentRow(editing ? 0 : -1);
        editMode_ = editing ? 1 : 0;
        auto dialog = std::make_unique<Form3>(*form1_);
        dialog->Text2->setText(path);
        return dialog;
    }
    static QTreeWidgetItem* Line(Form2& picker, const QString& text) {
        return picker.Dir1->findItems(text, Qt::MatchExactly | Qt::MatchRecursive).value(0);
    }
    QTemporaryDir tree_;
    QString work_;
};

TEST_F(PickerTest, ThePickerStartsAtTheEditedEntrysDirectoryElseAtTheCurrentOne) {
    auto adding = ItemDialog(work_, false);
    Form2 fresh(*adding);
    EXPECT_EQ(fresh.windowTitle(), "Directory");
    EXPECT_EQ(fresh.Dir1->path(), Native(QDir::currentPath()));
    EXPECT_EQ(fresh.currentDrive(), platform::DriveOfPath(Bytes(QDir::currentPath())));

    auto editing = ItemDialog(work_, true);
    Form2 onEntry(*editing);
    EXPECT_EQ(onEntry.Dir1->path(), Native(work_));
    EXPECT_EQ(onEntry.currentDrive(), platform::DriveOfPath(Bytes(work_)));
    // The directories above, the open one, then the ones in it; hidden ones stay out.
    QStringList lines;
    for (QTreeWidgetItemIterator it(onEntry.Dir1); *it; ++it) lines << (*it)->text(0);
    EXPECT_EQ(lines.first(), Native(QDir::rootPath()));
    EXPECT_EQ(lines.mid(lines.size() - 3), QStringList({"Work", "Inner", "Other"}));

    editing->Text2->clear();
    Form2 emptyBox(*editing);
    EXPECT_EQ(emptyBox.Dir1->path(), Native(QDir::currentPath()));
    EXPECT_TRUE(messages_.texts.isEmpty());
}

TEST_F(PickerTest, AMissingDirectorySaysPathNotFoundAndAnUnreadableDriveFallsBack) {
    auto dialog = ItemDialog(work_ + "/Gone", true);
    Form2 picker(*dialog);
    EXPECT_EQ(messages_.texts, QStringList({"Path not Found"}));
    EXPECT_EQ(messages_.captions, QStringList({""}));
    const QString mainDrive =
        QString::fromStdString(platform::DriveCurrentDirectory(platform::MainDrive()));
    EXPECT_EQ(picker.Dir1->path(), Native(mainDrive));
    EXPECT_EQ(picker.currentDrive(), platform::DriveOfPath(Bytes(work_)));

    // A drive that went away after the list was filled.
    picker.Drive1->addItem(work_ + "/unplugged", work_ + "/unplugged");
    picker.Drive1->setCurrentIndex(picker.Drive1->count() - 1);
    EXPECT_EQ(messages_.texts.last(), "The Drive you selected is INVALID");
    EXPECT_EQ(messages_.captions.last(), "INVALID DRIVE");
    EXPECT_EQ(picker.currentDrive(), platform::MainDrive());
    EXPECT_EQ(picker.Dir1->path(), Native(mainDrive));
}

TEST_F(PickerTest, OkHandsBackTheOpenDirectoryAndFillsOnlyAnEmptyName) {
    auto dialog = ItemDialog(work_, true);
    dialog->Text1->clear();
    {
        Form2 picker(*dialog);
        picker.Dir1->setCurrentItem(Line(picker, "Inner"));  // highlighted, not opened
        picker.btnOK->click();
    }
    EXPECT_EQ(dialog->Text1->text(), Native(work_));
    EXPECT_EQ(dialog->Text2->text(), Native(work_));

    dialog->Text1->setText("Mine");
    Form2 picker(*dialog);
    picker.show();
    picker.Dir1->setCurrentItem(Line(picker, "Other"));
    QTest::keyClick(picker.Dir1, Qt::Key_Return);  // opens the line, does not press OK
    EXPECT_TRUE(picker.isVisible());
    picker.btnOK->click();
    EXPECT_EQ(dialog->Text1->text(), "Mine");
    EXPECT_EQ(dialog->Text2->text(), Native(work_ + "/Other"));

    Form2 cancelled(*dialog);
    cancelled.Dir1->setPath(QDir::rootPath());
    cancelled.btnCancel->click();
    EXPECT_EQ(dialog->Text2->text(), Native(work_ + "/Other"));
}

TEST(DriveRules, TheMainDriveComesFirstAndTheCurrentDirectoryIsItsDrivesOwn) {
    EXPECT_EQ(platform::ListDrives().front(), platform::MainDrive());
    const std::string current = Bytes(Native(QDir::currentPath()));
    EXPECT_EQ(platform::DriveCurrentDirectory(platform::DriveOfPath(current)), current);
}

}  // namespace
}  // namespace zolvantek
