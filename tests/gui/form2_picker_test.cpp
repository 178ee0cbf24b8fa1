// The directory picker alone and as the item dialog opens it.
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
    EditorServices Services() { return {&messages_, &files_}; }
    static QTreeWidgetItem* Line(Form2& picker, const QString& text) {
        return picker.Dir1->findItems(text, Qt::MatchExactly | Qt::MatchRecursive).value(0);
    }
    QTemporaryDir tree_;
    QString work_;
};

TEST_F(PickerTest, ThePickerStartsAtTheEditedEntrysDirectoryElseAtTheCurrentOne) {
    Form2 fresh(false, work_, Services());
    EXPECT_EQ(fresh.windowTitle(), "Directory");
    EXPECT_EQ(fresh.Dir1->path(), Native(QDir::currentPath()));
    EXPECT_EQ(fresh.currentDrive(), platform::DriveOfPath(Bytes(QDir::currentPath())));

    Form2 onEntry(true, work_, Services());
    EXPECT_EQ(onEntry.Dir1->path(), Native(work_));
    EXPECT_EQ(onEntry.currentDrive(), platform::DriveOfPath(Bytes(work_)));
    // The directories above, the open one, then the ones in it; hidden ones stay out.
    QStringList lines;
    for (QTreeWidgetItemIterator it(onEntry.Dir1); *it; ++it) lines << (*it)->text(0);
    EXPECT_EQ(lines.first(), Native(QDir::rootPath()));
    EXPECT_EQ(lines.mid(lines.size() - 3), QStringList({"Work", "Inner", "Other"}));

    Form2 emptyBox(true, QString(), Services());
    EXPECT_EQ(emptyBox.Dir1->path(), Native(QDir::currentPath()));
    EXPECT_TRUE(messages_.texts.isEmpty());
}

TEST_F(PickerTest, AMissingDirectorySaysPathNotFoundAndAnUnreadableDriveFallsBackOnce) {
    Form2 picker(true, work_ + "/Gone", Services());
    EXPECT_EQ(messages_.texts, QStringList({"Path not Found"}));
    EXPECT_EQ(messages_.captions, QStringList({""}));
    const QString mainDrive =
        QString::fromStdString(platform::DriveCurrentDirectory(platform::MainDrive()));
    EXPECT_EQ(picker.Dir1->path(), Native(mainDrive));
    EXPECT_EQ(picker.currentDrive(), platform::DriveOfPath(Bytes(work_)));

    // A drive that went away after the list was filled, chosen with the mouse.
    picker.Drive1->addItem(work_ + "/unplugged", work_ + "/unplugged");
    messages_.waits = true;
    picker.setWindowModality(Qt::NonModal);  // shown by the test, not held in an exec()
    picker.show();
    picker.Drive1->showPopup();
    QAbstractItemView* drives = picker.Drive1->view();
    const QRect unplugged =
        drives->visualRect(drives->model()->index(picker.Drive1->count() - 1, 0));
    QTest::mouseClick(drives->viewport(), Qt::LeftButton, {}, unplugged.center());
    EXPECT_EQ(messages_.texts,
              QStringList({"Path not Found", "The Drive you selected is INVALID"}));
    EXPECT_EQ(messages_.captions.last(), "INVALID DRIVE");
    EXPECT_EQ(picker.currentDrive(), platform::MainDrive());
    EXPECT_EQ(picker.Dir1->path(), Native(mainDrive));
}

TEST_F(PickerTest, OkHandsBackTheOpenDirectoryWhichFillsOnlyAnEmptyName) {
    Form2 picker(true, work_, Services());
    picker.show();
    picker.Dir1->setCurrentItem(Line(picker, "Other"));
    QTest::keyClick(picker.Dir1, Qt::Key_Return);  // opens the line, does not press OK
    EXPECT_TRUE(picker.isVisible());
    picker.Dir1->setCurrentItem(Line(picker, "Other"));  // highlighted, not opened
    picker.btnOK->click();
    EXPECT_EQ(picker.chosenDirectory(), Native(work_ + "/Other"));

    Form3 dialog(ListKind::Directories, true, "Entry | " + Bytes(work_) + " | Explorer | Normal",
                 Services());
    dialog.Text1->clear();
    const auto pick = [&](const std::function<void(Form2&)>& act) {
        test_support::WhenModal<Form2> answer(act);
        dialog.Command2->click();
    };
    pick([](Form2& opened) { opened.btnOK->click(); });
    EXPECT_EQ(dialog.Text1->text(), Native(work_));
    EXPECT_EQ(dialog.Text2->text(), Native(work_));
    dialog.Text1->setText("Mine");
    pick([&](Form2& opened) {
        opened.Dir1->setPath(work_ + "/Inner");
        opened.btnOK->click();
    });
    EXPECT_EQ(dialog.Text1->text(), "Mine");
    EXPECT_EQ(dialog.Text2->text(), Native(work_ + "/Inner"));
    pick([](Form2& opened) {
        opened.Dir1->setPath(QDir::rootPath());
        opened.btnCancel->click();
    });
    EXPECT_EQ(dialog.Text2->text(), Native(work_ + "/Inner"));
}

}  // namespace
}  // namespace zolvantek
