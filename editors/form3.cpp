#include "editors/form3.h"

#include <QKeySequence>
#include <QShortcut>

#include "editors/form1.h"
#include "editors/form2.h"
#include "editors/list_rules.h"
#include "editors/twips_layout.h"
#include "platform/file_filters.h"

namespace zolvantek {
namespace {

// The dialog's texts are kept as the local 8-bit bytes the stored format holds.
std::string Bytes(const QLineEdit* box) { return box->text().toLocal8Bit().toStdString(); }
QString Text(const std::string& bytes) { return QString::fromLocal8Bit(bytes); }

template <typename W, typename... Args>
W* Named(const char* name, Args&&... args) {
    auto* widget = new W(std::forward<Args>(args)...);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}  // namespace

Form3::Form3(Form1& editor)
    : QDialog(&editor), editor_(editor), helpContext_(editor.helpContext()) {
    setObjectName(QStringLiteral("Form3"));
    setWindowModality(Qt::WindowModal);
    btnOK = Named<QPushButton>("btnOK", QStringLiteral("OK"), this);
    btnCancel = Named<QPushButton>("btnCancel", QStringLiteral("Cancel"), this);
    Frame2 = Named<QGroupBox>("Frame2", this);
    Label1 = Named<QLabel>("Label1", QStringLiteral("Shortcut Name:"), Frame2);
    Text1 = Named<QLineEdit>("Text1", Frame2);
    Label2 = Named<QLabel>("Label2", QStringLiteral("Program Path:"), Frame2);
    Text2 = Named<QLineEdit>("Text2", Frame2);
    Command1 = Named<QPushButton>("Command1", QStringLiteral("..."), Frame2);
    Label3 = Named<QLabel>("Label3", QStringLiteral("Program Arguments or FileName Path:"), Frame2);
    Text3 = Named<QLineEdit>("Text3", Frame2);
    Frame3 = Named<QGroupBox>("Frame3", QStringLiteral("Form Style"), Frame2);
    Option4 = Named<QRadioButton>("Option4", QStringLiteral("Explorer"), Frame3);
    Option5 = Named<QRadioButton>("Option5", QStringLiteral("Form"), Frame3);
    Frame1 = Named<QGroupBox>("Frame1", QStringLiteral("Startup Style"), Frame2);
    Option1 = Named<QRadioButton>("Option1", QStringLiteral("Normal"), Frame1);
    Option2 = Named<QRadioButton>("Option2", QStringLiteral("Minimized"), Frame1);
    Option3 = Named<QRadioButton>("Option3", QStringLiteral("Maximized"), Frame1);
    // The form's own browse buttons lie over the frame, so they come after it.
    Command2 = Named<QPushButton>("Command2", QStringLiteral("..."), this);
    Command3 = Named<QPushButton>("Command3", QStringLiteral("..."), this);

    setFont(ArialFont());
    for (QWidget* styled : {static_cast<QWidget*>(Frame2), static_cast<QWidget*>(Frame3),
                            static_cast<QWidget*>(Frame1)}) {
        styled->setFont(SansSerifFont());
    }
    for (QWidget* control :
         std::initializer_list<QWidget*>{Label1, Text1, Label2, Text2, Command1, Label3, Text3}) {
        control->setFont(ArialFont());
    }

    // Captions sit at the top of their label, as the design draws them, clear of the box
    // that starts just below.
    for (QLabel* label : {Label1, Label2, Label3})
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    const TwipsLayout twips(*this);
    setFixedSize(twips.Size(6960, 2565));
    move(twips.Point(3150, 3420));
    twips.Place(btnOK, 5796, 36, 1092, 300);
    twips.Place(btnCancel, 5808, 396, 1092, 300);
    twips.Place(Frame2, 36, -72, 5724, 2592);
    twips.Place(Label1, 108, 240, 1452, 252);
    twips.Place(Text1, 108, 408, 5172, 264);
    twips.Place(Label2, 108, 732, 1452, 252);
    twips.Place(Text2, 108, 912, 5172, 264);
    twips.Place(Command1, 5340, 924, 252, 252);
    twips.Place(Command2, 5376, 852, 252, 252);
    twips.Place(Label3, 108, 1284, 5148, 252);
    twips.Place(Text3, 108, 1464, 5172, 264);
    twips.Place(Command3, 5376, 1404, 252, 252);
    twips.Place(Frame3, 108, 1272, 2508, 504);
    twips.Place(Option4, 156, 204, 1392, 192);
    twips.Place(Option5, 1536, 180, 684, 264);
    twips.Place(Frame1, 108, 1836, 3612, 636);
    twips.Place(Option1, 240, 240, 852, 252);
    twips.Place(Option2, 1206, 240, 1092, 252);
    twips.Place(Option3, 2412, 240, 1056, 252);

    // Frame captions sit on the frame's top line, as in the design, clear of the options.
    for (QGroupBox* frame : {Frame3, Frame1}) {
        frame->setStyleSheet(QStringLiteral(
            "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 0.5em; }"
            "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px;"
            " background-color: palette(window); }"));
    }
    for (QWidget* option : std::initializer_list<QWidget*>{Option1, Option2, Option3, Option4,
                                                           Option5, Label1, Label2, Label3}) {
        GrowToFit(option);
    }

    QWidget* order[] = {btnOK,   btnCancel, Text1, Text2,   Command2, Command1, Option3,
                        Option2, Option1,   Text3, Option4, Option5,  Command3};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    // Enter confirms and Escape cancels; the "..." buttons act only when pressed themselves.
    btnOK->setDefault(true);
    for (QPushButton* browse : {Command1, Command2, Command3}) browse->setAutoDefault(false);

    connect(btnOK, &QPushButton::clicked, this, &Form3::btnOK_Click);
    connect(btnCancel, &QPushButton::clicked, this, &Form3::btnCancel_Click);
    connect(Command1, &QPushButton::clicked, this, &Form3::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form3::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form3::Command3_Click);
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [this] { emit helpRequested(helpContext_); });

    Form_Load();
}

void Form3::Form_Load() {
    const ListKind kind = editor_.visibleKind();
    const bool directory = kind == ListKind::Directories;
    Text3->setVisible(!directory);
    Label3->setVisible(!directory);
    Command1->setVisible(!directory);
    Command3->setVisible(!directory);
    Command2->setVisible(directory);
    Frame3->setVisible(directory);
    Label2->setText(Text(PathLabel(kind)));
    Option1->setChecked(true);
    Option4->setChecked(true);

    const bool editing = editor_.editMode() == 1;
    setWindowTitle(Text(ItemDialogCaption(kind, editing)));
    if (!editing) return;

    const int row = editor_.selectedRow(kind);
    if (row < 0) return;
    const std::string line = editor_.listFor(kind)->item(row)->text().toLocal8Bit().toStdString();
    // A line that does not split leaves the fields as for a new entry.
    const std::optional<ItemFields> stored = ItemFieldsFromLine(kind, line);
    if (!stored) return;
    Text1->setText(Text(stored->name));
    Text2->setText(Text(stored->path));
    if (!directory) Text3->setText(Text(stored->arguments));
    if (directory) (stored->formView ? Option5 : Option4)->setChecked(true);
    switch (stored->start) {
        case StartStyle::Minimized:
            Option2->setChecked(true);
            break;
        case StartStyle::Maximized:
            Option3->setChecked(true);
            break;
        case StartStyle::Normal:
            Option1->setChecked(true);
            break;
    }
}

void Form3::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Text1->setFocus();
}

ItemFields Form3::fields() const {
    ItemFields fields;
    fields.name = Bytes(Text1);
    fields.path = Bytes(Text2);
    fields.arguments = Bytes(Text3);
    fields.formView = Option5->isChecked();
    if (Option2->isChecked()) {
        fields.start = StartStyle::Minimized;
    } else if (Option3->isChecked()) {
        fields.start = StartStyle::Maximized;
    }
    return fields;
}

void Form3::btnOK_Click() {
    // The list on screen is asked again: it may have been switched while the dialog was open.
    const ListKind kind = editor_.visibleKind();
    const ItemFields typed = fields();
    if (const std::optional<std::string> refusal = CheckItemFields(kind, typed)) {
        ShowMessage(*refusal);
        return;
    }
    QListWidget* list = editor_.listFor(kind);
    const QString line = Text(BuildItemLine(kind, typed));
    if (editor_.editMode() == 1) {
        // With no line selected (the list was reloaded meanwhile) there is nothing to replace.
        const int row = editor_.selectedRow(kind);
        if (row >= 0) list->item(row)->setText(line);
    } else {
        // A list that filled up meanwhile would lose the extra line when it is stored.
        if (ListIsFull(list->count(), editor_.maxItems())) {
            ShowMessage(LimitMessage(editor_.maxItems()));
            return;
        }
        list->addItem(line);
    }
    accept();
}

void Form3::btnCancel_Click() { reject(); }

void Form3::Command1_Click() { BrowseFile(platform::ProgramFileFilters(), Text2); }

void Form3::Command3_Click() { BrowseFile(platform::ArgumentFileFilters(), Text3); }

void Form3::BrowseFile(const std::vector<std::string>& filters, QLineEdit* box) {
    QStringList shown;
    for (const std::string& filter : filters) shown << Text(filter);
    const std::optional<QString> chosen =
        editor_.services().files->ChooseFile(this, QStringLiteral("Program to Add"), shown);
    // Cancelled: the box keeps its text.
    if (chosen && !chosen->isEmpty()) box->setText(*chosen);
}

void Form3::Command2_Click() {
    Form2 picker(*this);
    connect(&picker, &Form2::helpRequested, this, &Form3::helpRequested);
    picker.exec();
    Text1->setFocus();
}

void Form3::ShowMessage(const std::string& text) {
    editor_.services().messages->Show(this, Text(text));
}

}  // namespace zolvantek
