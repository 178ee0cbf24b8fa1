#include "editors/form2.h"

#include <QDir>
#include <QKeySequence>
#include <QShortcut>

#include "editors/form1.h"
#include "editors/form3.h"
#include "editors/list_rules.h"
#include "editors/twips_layout.h"
#include "platform/drives.h"
#include "platform/file_lookup.h"

namespace zolvantek {
namespace {

QString Text(const std::string& bytes) { return QString::fromLocal8Bit(bytes); }
std::string Bytes(const QString& text) { return text.toLocal8Bit().toStdString(); }

bool OpenDriveDirectory(DirectoryList* list, const std::string& drive) {
    return list->setPath(Text(platform::DriveCurrentDirectory(drive)));
}

}  // namespace

Form2::Form2(Form3& opener)
    : QDialog(&opener),
      btnOK(new QPushButton(QStringLiteral("OK"), this)),
      btnCancel(new QPushButton(QStringLiteral("Cancel"), this)),
      Drive1(new QComboBox(this)),
      Label1(new QLabel(QStringLiteral("Look In:"), this)),
      Dir1(new DirectoryList(this)),
      opener_(opener) {
    setObjectName(QStringLiteral("Form2"));
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Dir1->setObjectName(QStringLiteral("Dir1"));
    setWindowTitle(QStringLiteral("Directory"));
    setWindowModality(Qt::WindowModal);

    setFont(ArialFont());
    const TwipsLayout twips(*this);
    setFixedSize(twips.Size(6225, 2775));
    move(twips.Point(3075, 3135));
    twips.Place(btnOK, 5076, 444, 1092, 300);
    twips.Place(btnCancel, 5088, 804, 1092, 300);
    twips.Place(Drive1, 708, 48, 4272, 288);
    twips.Place(Label1, 84, 48, 576, 240);
    twips.Place(Dir1, 36, 420, 4944, 2232);
    GrowToFit(Label1);
    setTabOrder(btnOK, btnCancel);
    setTabOrder(btnCancel, Drive1);
    setTabOrder(Drive1, Dir1);
    btnOK->setDefault(true);

    // Where nothing else puts them, the lists start at the program's current directory.
    const QString current = QDir::toNativeSeparators(QDir::currentPath());
    for (const std::string& drive : platform::ListDrives()) {
        Drive1->addItem(Text(drive), Text(drive));
    }
    const int start = Drive1->findData(Text(platform::DriveOfPath(Bytes(current))));
    if (start >= 0) Drive1->setCurrentIndex(start);
    Dir1->setPath(current);

    connect(Drive1, &QComboBox::currentIndexChanged, this, &Form2::Drive1_Change);
    connect(btnOK, &QPushButton::clicked, this, &Form2::btnOK_Click);
    connect(btnCancel, &QPushButton::clicked, this, &Form2::btnCancel_Click);
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this,
            [this] { emit helpRequested(kDirectoryHelpContext); });

    Form_Load();
}

std::string Form2::currentDrive() const { return Bytes(Drive1->currentData().toString()); }

bool Form2::SetDrive(const std::string& drive) {
    const int index = Drive1->findData(Text(drive));
    if (index < 0) return false;
    Drive1->setCurrentIndex(index);
    return true;
}

void Form2::Form_Load() {
    const std::string entry = Bytes(opener_.Text2->text());
    if (opener_.editor().editMode() != 1 || entry.empty()) return;

    // A path on no listed drive leaves the drive list as it is.
    SetDrive(platform::DriveOfPath(entry));
    const platform::LookupResult found = platform::FindFirstEntry(entry);
    if (found.status == platform::LookupStatus::Found) {
        // A file, or a pattern that matched, is no directory to open: the list stays.
        Dir1->setPath(opener_.Text2->text());
        return;
    }
    ShowMessage(kPathNotFound);
    // The drive list keeps showing the entry's drive.
    OpenDriveDirectory(Dir1, platform::MainDrive());
}

void Form2::Drive1_Change() {
    if (OpenDriveDirectory(Dir1, currentDrive())) return;
    ShowMessage(kInvalidDrive, kInvalidDriveCaption);
    // When the main drive itself cannot be read there is nowhere further to fall back to.
    if (resettingDrive_) return;
    resettingDrive_ = true;
    SetDrive(platform::MainDrive());
    OpenDriveDirectory(Dir1, platform::MainDrive());
    resettingDrive_ = false;
}

void Form2::btnOK_Click() {
    // The open directory, not a line that is merely highlighted.
    const QString chosen = Dir1->path();
    if (!chosen.isEmpty()) {
        if (opener_.Text1->text().isEmpty()) opener_.Text1->setText(chosen);
        opener_.Text2->setText(chosen);
    }
    accept();
}

void Form2::btnCancel_Click() { reject(); }

void Form2::ShowMessage(const char* text, const char* caption) {
    opener_.editor().services().messages->Show(this, QString::fromLatin1(text),
                                               QString::fromLatin1(caption));
}

}  // namespace zolvantek
