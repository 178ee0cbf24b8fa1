#include "editors/form3.h"

#include <QKeySequence>
#include <QShortcut>
#include <limits>

#include "editors/form2.h"
#include "editors/form3_design.h"
#include "editors/list_rules.h"
#include "editors/local_text.h"
#include "editors/named_widget.h"
#include "platform/file_filters.h"

namespace zolvantek {
namespace {

// The dialog's texts are kept as the local 8-bit bytes the stored format holds. A box the
// user left as loaded gives back the stored bytes, also those that are no text in the
// local encoding and so would not survive the way through the box.
std::string Bytes(const QLineEdit* box, const std::string& loaded) {
    if (!loaded.empty() && box->text() == LocalText(loaded)) return loaded;
    return LocalBytes(box->text());
}

// Frame captions sit on the frame's top line, as in the design, clear of the options.
constexpr auto kCaptionedFrameStyle =
    "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 0.5em; }"
    "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px;"
    " background-color: palette(window); }";

}  // namespace

Form3::Form3(ListKind kind, bool editing, const std::string& line, EditorServices services,
             QWidget* parent)
    : QDialog(parent),
      btnOK(Named<QPushButton>("btnOK", "OK", this)),
      btnCancel(Named<QPushButton>("btnCancel", "Cancel", this)),
      Frame2(Named<QGroupBox>("Frame2", "", this)),
      Label1(Named<QLabel>("Label1", "Shortcut Name:", Frame2)),
      Text1(Named<QLineEdit>("Text1", "", Frame2)),
      Label2(Named<QLabel>("Label2", "Program Path:", Frame2)),
      Text2(Named<QLineEdit>("Text2", "", Frame2)),
      Command1(Named<QPushButton>("Command1", "...", Frame2)),
      Label3(Named<QLabel>("Label3", "Program Arguments or FileName Path:", Frame2)),
      Text3(Named<QLineEdit>("Text3", "", Frame2)),
      Frame3(Named<QGroupBox>("Frame3", "Form Style", Frame2)),
      Option4(Named<QRadioButton>("Option4", "Explorer", Frame3)),
      Option5(Named<QRadioButton>("Option5", "Form", Frame3)),
      Frame1(Named<QGroupBox>("Frame1", "Startup Style", Frame2)),
      Option1(Named<QRadioButton>("Option1", "Normal", Frame1)),
      Option2(Named<QRadioButton>("Option2", "Minimized", Frame1)),
      Option3(Named<QRadioButton>("Option3", "Maximized", Frame1)),
      kind_(kind),
      editing_(editing),
      services_(services) {
    // The form's own browse buttons lie over the frame, so they are made after it.
    Command2 = Named<QPushButton>("Command2", "...", this);
    Command3 = Named<QPushButton>("Command3", "...", this);
    setObjectName(QStringLiteral("Form3"));
    setWindowModality(Qt::WindowModal);
    SetFonts();
    // Captions sit at the top of their label, clear of the box that starts just below.
    for (QLabel* label : {Label1, Label2, Label3})
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (QGroupBox* frame : {Frame3, Frame1}) frame->setStyleSheet(kCaptionedFrameStyle);
    // The boxes take any length (Qt cuts at 32,767 by default); OK says when a line is too long.
    for (QLineEdit* box : {Text1, Text2, Text3}) box->setMaxLength(std::numeric_limits<int>::max());
    // Mode-dependent captions first: the design's widths are checked against the texts shown.
    Label2->setText(LocalText(PathLabel(kind)));
    ApplyDesign(*this, kForm3Design);

    SetTabOrder(this, {btnOK, btnCancel, Text1, Text2, Command2, Command1, Option3, Option2,
                       Option1, Text3, Option4, Option5, Command3});
    // Enter confirms and Escape cancels; the "..." buttons act only when pressed themselves.
    btnOK->setDefault(true);
    for (QPushButton* browse : {Command1, Command2, Command3}) browse->setAutoDefault(false);

    connect(btnOK, &QPushButton::clicked, this, &Form3::btnOK_Click);
    connect(btnCancel, &QPushButton::clicked, this, &Form3::btnCancel_Click);
    connect(Command1, &QPushButton::clicked, this, &Form3::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form3::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form3::Command3_Click);
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [this] { emit helpRequested(HelpContext(kind_)); });

    Form_Load(line);
}

void Form3::SetFonts() {
    setFont(ArialFont());
    for (QWidget* styled : std::initializer_list<QWidget*>{Frame2, Frame3, Frame1}) {
        styled->setFont(SansSerifFont());
    }
    for (QWidget* control :
         std::initializer_list<QWidget*>{Label1, Text1, Label2, Text2, Command1, Label3, Text3}) {
        control->setFont(ArialFont());
    }
}

void Form3::Form_Load(const std::string& line) {
    const bool directory = kind_ == ListKind::Directories;
    Text3->setVisible(!directory);
    Label3->setVisible(!directory);
    Command1->setVisible(!directory);
    Command3->setVisible(!directory);
    Command2->setVisible(directory);
    Frame3->setVisible(directory);
    Option1->setChecked(true);
    Option4->setChecked(true);
    setWindowTitle(LocalText(ItemDialogCaption(kind_, editing_)));
    if (!editing_) return;

    // A line that does not split leaves the fields as for a new entry.
    const std::optional<ItemFields> stored = ItemFieldsFromLine(kind_, line);
    if (!stored) return;
    loaded_ = *stored;
    Text1->setText(LocalText(stored->name));
    Text2->setText(LocalText(stored->path));
    if (!directory) Text3->setText(LocalText(stored->arguments));
    if (directory) (stored->formView ? Option5 : Option4)->setChecked(true);
    QRadioButton* start[] = {Option1, Option2, Option3};
    start[static_cast<int>(stored->start)]->setChecked(true);
}

void Form3::Prefill(const ItemFields& fields) {
    Text1->setText(LocalText(fields.name));
    Text2->setText(LocalText(fields.path));
    if (kind_ == ListKind::Programs) Text3->setText(LocalText(fields.arguments));
}

void Form3::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Text1->setFocus();
}

ItemFields Form3::fields() const {
    ItemFields fields;
    fields.name = Bytes(Text1, loaded_.name);
    fields.path = Bytes(Text2, loaded_.path);
    fields.arguments = Bytes(Text3, loaded_.arguments);
    fields.formView = Option5->isChecked();
    if (Option2->isChecked()) {
        fields.start = StartStyle::Minimized;
    } else if (Option3->isChecked()) {
        fields.start = StartStyle::Maximized;
    }
    return fields;
}

void Form3::btnOK_Click() {
    const ItemFields typed = fields();
    if (const std::optional<std::string> refusal = CheckItemFields(kind_, typed)) {
        ShowMessage(*refusal);
        return;
    }
    line_ = BuildItemLine(kind_, typed);
    accept();
}

void Form3::btnCancel_Click() { reject(); }

void Form3::Command1_Click() {
    BrowseFile(platform::ProgramFileFilters(), platform::ProgramDefaultSuffix(), Text2);
}

// The open-file dialog's default extension serves both buttons.
void Form3::Command3_Click() {
    BrowseFile(platform::ArgumentFileFilters(), platform::ProgramDefaultSuffix(), Text3);
}

void Form3::BrowseFile(const std::vector<std::string>& filters, const std::string& defaultSuffix,
                       QLineEdit* box) {
    QStringList shown;
    for (const std::string& filter : filters) shown << LocalText(filter);
    const std::optional<QString> chosen = services_.files->ChooseFile(
        this, QStringLiteral("Program to Add"), shown, LocalText(defaultSuffix));
    // Cancelled: the box keeps its text.
    if (chosen && !chosen->isEmpty()) box->setText(*chosen);
}

void Form3::Command2_Click() {
    Form2 picker(editing_, Text2->text(), services_, this);
    connect(&picker, &Form2::helpRequested, this, &Form3::helpRequested);
    if (picker.exec() == QDialog::Accepted && !picker.chosenDirectory().isEmpty()) {
        if (Text1->text().isEmpty()) Text1->setText(picker.chosenDirectory());
        Text2->setText(picker.chosenDirectory());
    }
    Text1->setFocus();
}

void Form3::ShowMessage(const std::string& text) {
    services_.messages->Show(this, LocalText(text));
}

}  // namespace zolvantek
