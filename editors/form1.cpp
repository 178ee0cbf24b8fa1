#include "editors/form1.h"

#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QShortcut>

#include "editors/drop_rules.h"
#include "editors/form1_design.h"
#include "editors/form3.h"
#include "editors/local_text.h"
#include "editors/named_widget.h"

namespace zolvantek {
namespace {

// Each line keeps the bytes it was stored with: bytes that are not text in the local
// encoding (a hand-edited file) must survive an OK that did not touch them.
constexpr int kStoredBytesRole = Qt::UserRole;

std::string StoredBytes(const QListWidgetItem* item) {
    return item->data(kStoredBytesRole).toByteArray().toStdString();
}

void SetStoredBytes(QListWidgetItem* item, const std::string& line) {
    item->setText(LocalText(line));
    item->setData(kStoredBytesRole, QByteArray::fromStdString(line));
}

void AddStoredLine(QListWidget* list, const std::string& line) {
    auto* item = new QListWidgetItem(list);
    SetStoredBytes(item, line);
}

// A shell link is a file even where it leads to a folder: the directory list stores folders
// themselves.
DroppedFile Dropped(const QString& file) {
    const QFileInfo info(QDir::cleanPath(file));
    return {LocalBytes(QDir::toNativeSeparators(info.filePath())), LocalBytes(info.fileName()),
            info.isDir() && !info.isShortcut()};
}

}  // namespace

Form1::Form1(CRegSettings& settings, std::int16_t maxItems, std::int16_t& editMode,
             EditorServices services, QWidget* parent)
    : QWidget(parent),
      Frame1(Named<QGroupBox>("Frame1", "", this)),
      lstPath(new LineList(Frame1)),
      lstPathP(new LineList(Frame1)),
      Command4(Named<QPushButton>("Command4", "Add", this)),
      Command5(Named<QPushButton>("Command5", "Edit", this)),
      Command3(Named<QPushButton>("Command3", "Delete", this)),
      Command7(Named<QPushButton>("Command7", "Insert Line", this)),
      Command1(Named<QPushButton>("Command1", "Move Up", this)),
      Command2(Named<QPushButton>("Command2", "Move Down", this)),
      Command6(Named<QPushButton>("Command6", "CANCEL", this)),
      btnOK(Named<QPushButton>("btnOK", "OK", this)),
      settings_(settings),
      maxItems_(maxItems),
      editMode_(editMode),
      services_(services) {
    setObjectName(QStringLiteral("Form1"));
    lstPath->setObjectName(QStringLiteral("lstPath"));
    lstPathP->setObjectName(QStringLiteral("lstPathP"));
    lstPathP->setVisible(false);
    setFont(ArialFont());
    ApplyDesign(*this, kForm1Design);
    // The buttons first, top to bottom, then the list on screen.
    SetTabOrder(this, {Command4, Command5, Command3, Command7, Command1, Command2, Command6, btnOK,
                       lstPath});

    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command7, &QPushButton::clicked, this, &Form1::Command7_Click);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(btnOK, &QPushButton::clicked, this, &Form1::btnOK_Click);
    // Queued: the dialogs open once the drag source has its answer.
    connect(
        lstPath, &LineList::filesDropped, this,
        [this](const QStringList& files) { DropFiles(ListKind::Directories, files); },
        Qt::QueuedConnection);
    connect(
        lstPathP, &LineList::filesDropped, this,
        [this](const QStringList& files) { DropFiles(ListKind::Programs, files); },
        Qt::QueuedConnection);

    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [this] { emit helpRequested(helpContext_); });
}

QListWidget* Form1::listFor(ListKind kind) const {
    return kind == ListKind::Directories ? lstPath : lstPathP;
}

ListKind Form1::visibleKind() const {
    // Asked of the list itself, so the answer holds while the window is hidden too.
    return lstPath->isHidden() ? ListKind::Programs : ListKind::Directories;
}

int Form1::selectedRow(ListKind kind) const {
    const QListWidget* list = listFor(kind);
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
}

void Form1::SetLines(ListKind kind, const std::vector<std::string>& lines) {
    QListWidget* list = listFor(kind);
    list->clear();
    for (const std::string& line : lines) AddStoredLine(list, line);
}

std::vector<std::string> Form1::Lines(ListKind kind) const {
    const QListWidget* list = listFor(kind);
    std::vector<std::string> lines;
    lines.reserve(list->count());
    for (int row = 0; row < list->count(); ++row) {
        lines.push_back(StoredBytes(list->item(row)));
    }
    return lines;
}

void Form1::mnuAdd_Click() { OpenEditor(ListKind::Directories); }
void Form1::mnuAddProgram_Click() { OpenEditor(ListKind::Programs); }

void Form1::OpenEditor(ListKind kind) {
    setWindowTitle(QString::fromLatin1(EditorCaption(kind)));
    lstPath->setVisible(kind == ListKind::Directories);
    lstPathP->setVisible(kind == ListKind::Programs);

    // Whatever the list held unconfirmed is dropped: it shows the store again.
    ++openings_;
    const LoadedList loaded = LoadList(settings_, kind, maxItems_);
    SetLines(kind, loaded.lines);
    listFor(kind)->setCurrentItem(nullptr);
    emit slotCaptionsChanged(kind, loaded.slotCaptions);

    helpContext_ = HelpContext(kind);
    // Only the list on screen takes part in the tab order.
    lstPathP->setFocusPolicy(kind == ListKind::Programs ? Qt::StrongFocus : Qt::NoFocus);
    lstPath->setFocusPolicy(kind == ListKind::Directories ? Qt::StrongFocus : Qt::NoFocus);
    setTabOrder(btnOK, listFor(kind));

    // Already shown, it may lie behind other windows; newly shown, it starts on Add, the
    // first control of the tab order.
    if (isVisible()) {
        raise();
    } else {
        Command4->setFocus();
    }
    show();
    activateWindow();
}

void Form1::Command4_Click() {
    if (ListIsFull(listFor(visibleKind())->count(), maxItems_)) {
        ShowMessage(LimitMessage(maxItems_));
        return;
    }
    ShowItemDialog(false);
}

void Form1::Command5_Click() {
    if (selectedRow(visibleKind()) < 0) return;
    // Set before the dialog is built, and cleared on every way out.
    editMode_ = 1;
    struct ResetEditMode {
        std::int16_t& flag;
        ~ResetEditMode() { flag = 0; }
    } reset{editMode_};
    ShowItemDialog(editMode_ == 1);
}

bool Form1::ShowItemDialog(bool editing, const std::optional<ItemFields>& dropped) {
    const ListKind kind = visibleKind();
    QListWidget* list = listFor(kind);
    const int row = selectedRow(kind);
    const std::string selected = editing ? StoredBytes(list->item(row)) : std::string();
    const int opening = openings_;
    // Built afresh for every use, so each one starts from the design state.
    Form3 dialog(kind, editing, selected, services_, this);
    if (dropped) dialog.Prefill(*dropped);
    connect(&dialog, &Form3::helpRequested, this, &Form1::helpRequested);
    if (dialog.exec() != QDialog::Accepted) return false;
    // The editor was opened again from a menu meanwhile: the list the line belonged to is
    // gone, and the row may now hold another line.
    if (opening != openings_) return false;
    if (editing) {
        SetStoredBytes(list->item(row), dialog.line());
    } else {
        AddStoredLine(list, dialog.line());
    }
    return true;
}

void Form1::DropFiles(ListKind kind, const QStringList& files) {
    // The editor was closed or switched lists since the drop.
    if (!isVisible() || kind != visibleKind()) return;
    // The drop came from another program's window; the dialogs open over this one.
    activateWindow();
    for (const QString& file : files) {
        if (ListIsFull(listFor(kind)->count(), maxItems_)) {
            ShowMessage(LimitMessage(maxItems_));
            return;
        }
        const DropOffer offer = OfferDroppedFile(kind, Dropped(file));
        if (!offer.fields) {
            ShowMessage(offer.refusal);
            continue;
        }
        // Cancel ends the drop: the files after it are not offered.
        if (!ShowItemDialog(false, offer.fields)) return;
    }
}

void Form1::Command3_Click() {
    QListWidget* list = listFor(visibleKind());
    const int row = selectedRow(visibleKind());
    if (row < 0) return;
    delete list->takeItem(row);
    list->setCurrentItem(nullptr);
}

void Form1::Command7_Click() {
    const ListKind kind = visibleKind();
    QListWidget* list = listFor(kind);
    if (ListIsFull(list->count(), maxItems_)) {
        ShowMessage(LimitMessage(maxItems_));
        return;
    }
    AddStoredLine(list, SeparatorLine(kind));
}

void Form1::Command1_Click() { MoveSelected(MoveUpTarget(selectedRow(visibleKind()))); }

void Form1::Command2_Click() {
    const ListKind kind = visibleKind();
    MoveSelected(MoveDownTarget(selectedRow(kind), listFor(kind)->count()));
}

void Form1::MoveSelected(int targetRow) {
    if (targetRow < 0) return;
    QListWidget* list = listFor(visibleKind());
    const int row = selectedRow(visibleKind());
    QListWidgetItem* moving = list->item(row);
    QListWidgetItem* other = list->item(targetRow);
    const std::string kept = StoredBytes(moving);
    SetStoredBytes(moving, StoredBytes(other));
    SetStoredBytes(other, kept);
    // The selection goes with the line.
    list->setCurrentRow(targetRow);
}

void Form1::Command6_Click() { hide(); }

void Form1::btnOK_Click() {
    const ListKind kind = visibleKind();
    const SavedList saved = SaveList(settings_, kind, Lines(kind), maxItems_);
    if (!saved.allWritten) {
        // The window stays open with the list as it is, and the menu as it was, so the
        // person can try again or cancel.
        ShowMessage("The list could not be saved.");
        return;
    }
    emit slotCaptionsChanged(kind, saved.slotCaptions);
    hide();
}

void Form1::ShowMessage(const std::string& text) {
    services_.messages->Show(this, LocalText(text));
}

}  // namespace zolvantek
