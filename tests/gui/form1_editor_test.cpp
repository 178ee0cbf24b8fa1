// The list editor driven through its named controls.
#include <QDir>
#include <QMimeData>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <map>

#include "editors/form3.h"
#include "tests/gui/gui_test_support.h"

namespace zolvantek {
namespace {

using test_support::Entries;
using test_support::StoredSlots;
using test_support::WhenModal;
using Lines = QStringList;

class ListEditorTest : public test_support::EditorFixture {
protected:
    // Where Tab takes the focus from `start` on: buttons by caption, the rest by name.
    QStringList TabWalk(QWidget* start, int steps) {
        start->setFocus();
        QStringList visited;
        for (int step = 0; step <= steps; ++step) {
            QWidget* focused = form1_->focusWidget();
            auto* button = qobject_cast<QPushButton*>(focused);
            visited << (button ? button->text() : focused->objectName());
            QTest::keyClick(focused, Qt::Key_Tab);
        }
        return visited;
    }
    int Selected() { return form1_->selectedRow(form1_->visibleKind()); }
};

TEST_F(ListEditorTest, OpeningShowsTheStoredListAndSwitchingShowsTheOther) {
    SaveList(settings_, ListKind::Programs, {"Clock | /usr/bin/clock |  | Normal"}, kMaxItems);
    QSignalSpy captions(form1_.get(), &Form1::slotCaptionsChanged);
    Form1& editor =
        OpenOn(ListKind::Directories, {"Work | /w | Explorer | Normal", "- | - | x | y"});
    EXPECT_TRUE(editor.isVisible() && editor.lstPath->isVisible());
    EXPECT_FALSE(editor.lstPathP->isVisible());
    EXPECT_EQ(editor.windowTitle(), "Windows Explorer StartUp Directories:");
    EXPECT_EQ(Shown(ListKind::Directories),
              Lines({"Work | /w | Explorer | Normal", "- | - | x | y"}));
    EXPECT_EQ(Selected(), -1);
    EXPECT_EQ(TabWalk(editor.Command4, 9), Lines({"Add", "Edit", "Delete", "Insert Line", "Move Up",
                                                  "Move Down", "CANCEL", "OK", "lstPath", "Add"}));
    // The menu is brought in step with what was loaded.
    ASSERT_EQ(captions.count(), 1);
    const auto loaded = captions[0][1].value<SlotCaptions>();
    EXPECT_EQ(loaded[1], std::optional<std::string>("-"));
    EXPECT_FALSE(loaded[2].has_value());

    editor.Command7->click();  // dropped by the switch, never stored
    editor.mnuAddProgram_Click();
    EXPECT_EQ(editor.windowTitle(), "Programs:");
    EXPECT_TRUE(editor.lstPathP->isVisible());
    EXPECT_FALSE(editor.lstPath->isVisible());
    EXPECT_EQ(TabWalk(editor.btnOK, 2), Lines({"OK", "lstPathP", "Add"}));
    editor.Command7->click();
    editor.btnOK->click();
    EXPECT_EQ(StoredSlots(settings_).at("DirP2"), "- | - |  | Normal");
    EXPECT_EQ(StoredSlots(settings_).at("Dir3"), "");
    editor.mnuAdd_Click();
    EXPECT_EQ(editor.lstPath->count(), 2);
}

TEST_F(ListEditorTest, AddAndInsertLineTakeATwentiethLineButNoTwentyFirst) {
    Form1& editor = OpenOn(ListKind::Programs, Entries("Item", 19));
    {
        WhenModal<Form3> answer([](Form3& dialog) {
            QTest::keyClicks(dialog.Text1, "Twenty");
            dialog.Text2->setText("/bin/true");
            dialog.btnOK->click();
        });
        editor.Command4->click();
    }
    EXPECT_EQ(Shown(ListKind::Programs).last(), "Twenty | /bin/true |  | Normal");
    editor.Command7->click();
    editor.Command4->click();  // no dialog may open here: none would be answered
    EXPECT_EQ(editor.lstPathP->count(), 20);
    const QString limit =
        "20 is the most items you can have \nYou cannot enter anymore items \n"
        "You must delete one in order to Add one";
    EXPECT_EQ(messages_.texts, Lines({limit, limit}));
    EXPECT_EQ(messages_.captions, Lines({"", ""}));  // the application title

    OpenOn(ListKind::Directories, Entries("Item", 1));
    editor.lstPath->setCurrentRow(0);
    for (int n = 0; n < 20; ++n) editor.Command7->click();
    EXPECT_EQ(editor.lstPath->count(), 20);
    EXPECT_EQ(editor.lstPath->item(19)->text(), "- | - | Explorer | Normal");
    EXPECT_EQ(Selected(), 0);  // the selection stays where it was
    EXPECT_EQ(messages_.texts.size(), 3);

    // Edit makes no limit test.
    WhenModal<Form3> edit([this](Form3& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Edit Directory");
        EXPECT_EQ(editMode_, 1);
        dialog.btnCancel->click();
    });
    editor.Command5->click();
    EXPECT_EQ(editMode_, 0);
}

TEST_F(ListEditorTest, AnEditIsDroppedWhenTheListWasReopenedMeanwhile) {
    const std::vector<std::string> stored = {"A | /a | Explorer | Normal",
                                             "Work | /work | Form | Normal"};
    Form1& editor = OpenOn(ListKind::Directories, stored);
    editor.lstPath->setCurrentRow(0);
    // "Add or Modify" while the dialog is open reloads the list: the row may now hold
    // another line, so the dialog's line is not written anywhere.
    WhenModal<Form3> edit([this](Form3& dialog) {
        form1_->mnuAdd_Click();
        dialog.Text1->setText("Changed");
        dialog.btnOK->click();
    });
    editor.Command5->click();
    EXPECT_EQ(Shown(ListKind::Directories), Lines({stored[0].c_str(), stored[1].c_str()}));
}

TEST_F(ListEditorTest, MovesStopAtBothEndsAndTheSelectionGoesWithTheLine) {
    Form1& editor = OpenOn(ListKind::Directories, Entries("Item", 3));
    const QStringList original = Shown(ListKind::Directories);
    const auto& [a, b, c] = std::tuple(original[0], original[1], original[2]);
    for (QPushButton* button :
         {editor.Command1, editor.Command2, editor.Command3, editor.Command5}) {
        button->click();  // nothing selected: nothing happens, not even the item dialog
    }
    editor.lstPath->setCurrentRow(0);
    editor.Command1->click();
    editor.lstPath->setCurrentRow(2);
    editor.Command2->click();
    EXPECT_EQ(Shown(ListKind::Directories), original);
    EXPECT_EQ(Selected(), 2);

    editor.lstPath->setCurrentRow(1);
    editor.Command1->click();
    EXPECT_EQ(Shown(ListKind::Directories), Lines({b, a, c}));
    EXPECT_EQ(Selected(), 0);
    editor.Command2->click();
    editor.Command2->click();
    EXPECT_EQ(Shown(ListKind::Directories), Lines({a, c, b}));
    EXPECT_EQ(Selected(), 2);

    editor.lstPath->setCurrentRow(1);
    editor.Command3->click();
    EXPECT_EQ(Shown(ListKind::Directories), Lines({a, b}));
    EXPECT_EQ(Selected(), -1);
    EXPECT_TRUE(messages_.texts.isEmpty());
}

TEST_F(ListEditorTest, OkStoresAllTwentySlotsCancelAndTheCloseBoxStoreNothing) {
    Form1& editor = OpenOn(ListKind::Directories, Entries("Item", 20));
    const auto stored = StoredSlots(settings_);
    QSignalSpy captions(form1_.get(), &Form1::slotCaptionsChanged);
    editor.lstPath->setCurrentRow(0);
    editor.Command3->click();
    editor.Command6->click();
    EXPECT_FALSE(editor.isVisible());
    editor.mnuAdd_Click();
    editor.lstPath->setCurrentRow(0);
    editor.Command3->click();
    editor.close();
    EXPECT_EQ(StoredSlots(settings_), stored);
    editor.mnuAdd_Click();
    EXPECT_EQ(editor.lstPath->count(), 20);

    editor.lstPath->setCurrentRow(3);
    editor.Command3->click();
    editor.btnOK->click();
    EXPECT_FALSE(editor.isVisible());
    const auto values = StoredSlots(settings_);
    EXPECT_EQ(values.at("Dir4"), "Item 5 | /srv/Item | Explorer | Normal");
    EXPECT_EQ(values.at("Dir19"), "Item 20 | /srv/Item | Explorer | Normal");
    EXPECT_EQ(values.at("Dir20"), "");
    ASSERT_EQ(captions.count(), 3);  // two openings, one OK
    const auto saved = captions[2][1].value<SlotCaptions>();
    EXPECT_EQ(saved[3], std::optional<std::string>("Item 5"));
    EXPECT_FALSE(saved[19].has_value());
}

TEST_F(ListEditorTest, OkStoresLinesTheUserLeftAloneByteForByte) {
    // Hand-edited lines: Latin-1, a broken UTF-8 sequence, no name at all.
    const std::string latin1 = "Caf\xe9 | /tmp/caf\xe9 | Explorer | Normal";
    const std::string broken = "Bad\xff\xfe | /tmp/x\xc3 | Form | Minimized";
    const std::string unnamed = " | /tmp | Explorer | Normal";
    Form1& editor = OpenOn(ListKind::Directories, {latin1, broken, unnamed});
    QSignalSpy captions(form1_.get(), &Form1::slotCaptionsChanged);
    editor.lstPath->setCurrentRow(1);
    editor.Command1->click();
    {
        // Only the start style changes: the name and the directory stay as stored.
        WhenModal<Form3> edit([](Form3& dialog) {
            dialog.Option1->setChecked(true);
            dialog.btnOK->click();
        });
        editor.Command5->click();
    }
    editor.btnOK->click();
    const auto stored = StoredSlots(settings_);
    EXPECT_EQ(stored.at("Dir1"), "Bad\xff\xfe | /tmp/x\xc3 | Form | Normal");
    EXPECT_EQ(stored.at("Dir2"), latin1);
    EXPECT_EQ(stored.at("Dir3"), unnamed);
    // A slot with an empty name gets no blank menu item.
    ASSERT_EQ(captions.count(), 1);
    EXPECT_FALSE(captions[0][1].value<SlotCaptions>()[2].has_value());
}

// Drops as a file manager and a drag within the list deliver them (the drag itself, which
// needs a desktop: the end-to-end tests).
class ListDropTest : public test_support::EditorFixture {
protected:
    // Enters the list on screen, drops at the top of `row` or below the lines, lets it answer.
    Qt::DropAction Drop(const QMimeData* data, int row = 0) {
        QListWidget* list = form1_->listFor(form1_->visibleKind());
        const QPoint at(2, row < list->count() ? list->visualItemRect(list->item(row)).top() + 2
                                               : list->viewport()->height() - 4);
        const auto offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
        QDragEnterEvent enter(at, offered, data, Qt::LeftButton, Qt::NoModifier);
        QDragMoveEvent move(at, offered, data, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop(at, offered, data, Qt::LeftButton, Qt::NoModifier);
        // As Qt delivers a drag: each step only once the one before it was taken.
        for (QDropEvent* event : std::initializer_list<QDropEvent*>{&enter, &move, &drop}) {
            event->ignore();
            QCoreApplication::sendEvent(list->viewport(), event);
            if (!event->isAccepted()) return Qt::IgnoreAction;
        }
        QTest::qWait(50);
        return drop.dropAction();
    }
    // Makes a folder (no content) or a file in a folder of the test's own, unless the system
    // refuses the name, and drops it.
    Qt::DropAction DropMade(const QString& name, const QByteArray& content = {}) {
        if (content.isNull()) {
            QDir(place_.path()).mkdir(name);
        } else if (QFile file(place_.filePath(name)); file.open(QIODevice::WriteOnly)) {
            file.write(content);
        }
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(place_.filePath(name))});
        return Drop(&data);
    }
    QString Made(const QString& name) { return QDir::toNativeSeparators(place_.filePath(name)); }
    QTemporaryDir place_;
    std::function<void(Form3&)> confirm_ = [](Form3& dialog) { dialog.btnOK->click(); };
};

TEST_F(ListDropTest, ADroppedFolderIsStoredWithTheEditorsOkWithinTheLimitOthersAreRefused) {
    Form1& editor = OpenOn(ListKind::Directories, Entries("Item", 19));
    DropMade("notes.txt", "x");
    const bool bar = QDir(place_.path()).mkdir("a | b");  // Windows names hold no "|"
    if (bar) DropMade("a | b");
    {
        WhenModal<Form3> add(confirm_);
        // A link answer: the file manager must not move the folder.
        EXPECT_EQ(DropMade("My Projects"), Qt::LinkAction);
    }
    DropMade("Other");
    EXPECT_EQ(StoredSlots(settings_).at("Dir20"), "");
    editor.btnOK->click();
    EXPECT_EQ(StoredSlots(settings_).at("Dir20"),
              ("My Projects | " + Made("My Projects") + " | Explorer | Normal").toStdString());
    Lines expected = {"Only folders can be dropped on this list:\n" + Made("notes.txt") +
                      " is not a folder."};
    if (bar)
        expected << "\"a | b\" cannot be added: a \"|\" in its name would shift the fields of its "
                    "stored line.";
    EXPECT_EQ(messages_.texts, expected << QString::fromStdString(LimitMessage(20)));
}

TEST_F(ListDropTest, ADroppedProgramIsOfferedWithItsNameAndArgumentsAFolderIsRefused) {
    Form1& editor = OpenOn(ListKind::Programs, {});
    DropMade("folder");
#ifdef _WIN32
    // A link as the shell writes it (Wine's), to the system's own Notepad.
    QFile::copy(ZOLVANTEK_TEST_DATA "/Notes.lnk", place_.filePath("Notes.lnk"));
    const QString name = "Notes.lnk", content,
                  stored =
                      R"(Notes | C:\windows\system32\notepad.exe | /n "My Notes.txt" | Normal)";
#else
    // The entry's program as PATH finds it; the arguments as the launch splits them.
    const QString name = "notes.desktop",
                  stored =
                      "Notes | " + QStandardPaths::findExecutable("sh") + " | -c \"a b\" | Normal";
    const QString content = "[Desktop Entry]\nType=Application\nName=Notes\nExec=sh -c \"a b\" %U";
#endif
    {
        WhenModal<Form3> add(confirm_);
        DropMade(name, content.toUtf8());
    }
    editor.btnOK->click();
    EXPECT_EQ(StoredSlots(settings_).at("DirP1"), stored.toStdString());
    EXPECT_EQ(messages_.texts, Lines({"Only programs can be dropped on this list:\n" +
                                      Made("folder") + " is not a program."}));
}

TEST_F(ListDropTest, ALineDraggedWithinTheListMovesWithItsStoredBytes) {
    const std::string latin1 = "Caf\xe9 | /tmp/caf\xe9 | Explorer | Normal";
    const std::string b = "B | /b | Explorer | Normal", c = "C | /c | Explorer | Normal";
    Form1& editor = OpenOn(ListKind::Directories, {latin1, b, c});
    const auto drag = [&editor](int row) {
        return std::unique_ptr<QMimeData>(
            editor.lstPath->model()->mimeData({editor.lstPath->model()->index(row, 0)}));
    };
    EXPECT_EQ(Drop(drag(0).get(), 2), Qt::MoveAction);         // onto the top of the third
    EXPECT_EQ(form1_->selectedRow(ListKind::Directories), 1);  // the selection goes along
    Drop(drag(0).get(), 3);                                    // below the last line
    EXPECT_EQ(editor.Lines(ListKind::Directories), (std::vector<std::string>{latin1, c, b}));
}

// Takes every slot but one while `refuse` holds, as a store that runs out of room half-way.
class StoreRefusingDir10 : public platform::SettingsStore {
public:
    std::optional<std::string> ReadValue(const std::string&, const char*) override { return {}; }
    bool WriteValue(const std::string&, const char* name, const std::string& value) override {
        if (refuse && std::string(name) == "Dir10") return false;
        written[name] = value;
        return true;
    }
    bool DeleteValue(const std::string&, const char*) override { return false; }
    bool DeleteKey(const std::string&, const std::string&) override { return false; }
    bool refuse = true;
    std::map<std::string, std::string> written;
};

TEST(ListEditorSaving, AFailedSaveSaysSoKeepsTheEditorAsShownAndOkSavesOnceItCan) {
    auto owned = std::make_unique<StoreRefusingDir10>();
    StoreRefusingDir10& store = *owned;
    CRegSettings settings(std::move(owned));
    std::int16_t editMode = 0;
    test_support::RecordingMessages messages;
    Form1 editor(settings, 20, editMode, EditorServices{&messages, &QtFileChooser()});
    editor.mnuAdd_Click();
    editor.Command7->click();
    QSignalSpy captions(&editor, &Form1::slotCaptionsChanged);
    editor.btnOK->click();
    EXPECT_TRUE(editor.isVisible());
    EXPECT_EQ(editor.lstPath->count(), 1);
    EXPECT_EQ(messages.texts, Lines({"The list could not be saved."}));
    EXPECT_EQ(captions.count(), 0);
    store.refuse = false;
    editor.btnOK->click();
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(captions.count(), 1);
    EXPECT_EQ(store.written.size(), 20u);
    EXPECT_EQ(store.written["Dir1"], "- | - | Explorer | Normal");
}

}  // namespace
}  // namespace zolvantek
