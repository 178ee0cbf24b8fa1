#include "editors/form1.h"

#include <QKeySequence>
#include <QShortcut>

#include "editors/form3.h"
#include "editors/twips_layout.h"

namespace zolvantek {
namespace {

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

}  // namespace

Form1::Form1(CRegSettings& settings, std::int16_t maxItems, std::int16_t& editMode,
             EditorServices services, QWidget* parent)
    : QWidget(parent),
      Frame1(new QGroupBox(this)),
      lstPath(new QListWidget(Frame1)),
      lstPathP(new QListWidget(Frame1)),
      Command4(Button(this, "Command4", "Add")),
      Command5(Button(this, "Command5", "Edit")),
      Command3(Button(this, "Command3", "Delete")),
      Command7(Button(this, "Command7", "Insert Line")),
      Command1(Button(this, "Command1", "Move Up")),
      Command2(Button(this, "Command2", "Move Down")),
      Command6(Button(this, "Command6", "CANCEL")),
      btnOK(Button(this, "btnOK", "OK")),
      settings_(settings),
      maxItems_(maxItems),
      editMode_(editMode),
      services_(services) {
    setObjectName(QStringLiteral("Form1"));
    Frame1->setObjectName(QStringLiteral("Frame1"));
    lstPath->setObjectName(QStringLiteral("lstPath"));
    lstPathP->setObjectName(QStringLiteral("lstPathP"));
    lstPathP->setVisible(false);

    setFont(ArialFont());
    const TwipsLayout twips(*this);
    // The design's client area (3030 twips high) would cut off the lower part of OK, which
    // ends at 3168; the window keeps below it the margin that Add has above it.
    setFixedSize(twips.Size(6960, 3288));
    move(twips.Point(2745, 4230));
    twips.Place(Frame1, 48, -12, 5676, 3156);
    twips.Place(lstPath, 48, 168, 5544, 2790);
    twips.Place(lstPathP, 60, 168, 5544, 2790);
    twips.Place(Command4, 5784, 120, 1080, 324);
    twips.Place(Command5, 5784, 432, 1080, 324);
    twips.Place(Command3, 5796, 756, 1080, 324);
    twips.Place(Command7, 5796, 1200, 1080, 324);
    twips.Place(Command1, 5796, 1632, 1080, 324);
    twips.Place(Command2, 5796, 1956, 1080, 324);
    twips.Place(Command6, 5796, 2412, 1080, 324);
    twips.Place(btnOK, 5796, 2844, 1080, 324);

    // The buttons first, top to bottom, then the list on screen.
    QWidget* order[] = {Command4, Command5, Command3, Command7, Command1,
                        Command2, Command6, btnOK,    lstPath};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command7, &QPushButton::clicked, this, &Form1::Command7_Click);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(btnOK, &QPushButton::clicked, this, &Form1::btnOK_Click);

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
    for (const std::string& line : lines) list->addItem(QString::fromLocal8Bit(line));
}

std::vector<std::string> Form1::Lines(ListKind kind) const {
    const QListWidget* list = listFor(kind);
    std::vector<std::string> lines;
    lines.reserve(list->count());
    for (int row = 0; row < list->count(); ++row) {
        lines.push_back(list->item(row)->text().toLocal8Bit().toStdString());
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
    ShowItemDialog();
}

void Form1::Command5_Click() {
    if (selectedRow(visibleKind()) < 0) return;
    // Set before the dialog is built: it reads the flag as it loads.
    editMode_ = 1;
    struct ResetEditMode {
        std::int16_t& flag;
        ~ResetEditMode() { flag = 0; }
    } reset{editMode_};
    ShowItemDialog();
}

void Form1::ShowItemDialog() {
    // Built afresh for every use, so each one starts from the design state.
    Form3 dialog(*this);
    connect(&dialog, &Form3::helpRequested, this, &Form1::helpRequested);
    dialog.exec();
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
    list->addItem(QString::fromLocal8Bit(SeparatorLine(kind)));
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
    const QString kept = moving->text();
    moving->setText(other->text());
    other->setText(kept);
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
    services_.messages->Show(this, QString::fromLocal8Bit(text));
}

}  // namespace zolvantek
