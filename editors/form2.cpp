#include "editors/form2.h"

#include <QDir>
#include <QKeySequence>
#include <QShortcut>

#include "editors/form2_design.h"
#include "editors/list_rules.h"
#include "editors/local_text.h"
#include "editors/named_widget.h"
#include "platform/drives.h"
#include "platform/file_lookup.h"

namespace zolvantek {
namespace {

bool OpenDriveDirectory(DirectoryList* list, const std::string& drive) {
    return list->setPath(LocalText(platform::DriveCurrentDirectory(drive)));
}

}  // namespace

Form2::Form2(bool editing, const QString& startPath, EditorServices services, QWidget* parent)
    : QDialog(parent),
      btnOK(Named<QPushButton>("btnOK", "OK", this)),
      btnCancel(Named<QPushButton>("btnCancel", "Cancel", this)),
      Drive1(new QComboBox(this)),
      Label1(Named<QLabel>("Label1", "Look In:", this)),
      Dir1(new DirectoryList(this)),
      services_(services) {
    setObjectName(QStringLiteral("Form2"));
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Dir1->setObjectName(QStringLiteral("Dir1"));
    setWindowTitle(QStringLiteral("Directory"));
    setWindowModality(Qt::WindowModal);
    setFont(ArialFont());
    ApplyDesign(*this, kForm2Design);
    SetTabOrder(this, {btnOK, btnCancel, Drive1, Dir1});
    btnOK->setDefault(true);

    // Where nothing else puts them, the lists start at the program's current directory.
    const QString current = QDir::toNativeSeparators(QDir::currentPath());
    for (const std::string& drive : platform::ListDrives()) {
        Drive1->addItem(LocalText(drive), LocalText(drive));
    }
    const int start = Drive1->findData(LocalText(platform::DriveOfPath(LocalBytes(current))));
    if (start >= 0) Drive1->setCurrentIndex(start);
    Dir1->setPath(current);

    connect(Drive1, &QComboBox::currentIndexChanged, this, &Form2::Drive1_Change);
    connect(btnOK, &QPushButton::clicked, this, &Form2::btnOK_Click);
    connect(btnCancel, &QPushButton::clicked, this, &Form2::btnCancel_Click);
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this,
            [this] { emit helpRequested(kDirectoryHelpContext); });

    Form_Load(editing, startPath);
}

std::string Form2::currentDrive() const { return LocalBytes(Drive1->currentData().toString()); }

bool Form2::SetDrive(const std::string& drive) {
    const int index = Drive1->findData(LocalText(drive));
    if (index < 0) return false;
    Drive1->setCurrentIndex(index);
    return true;
}

void Form2::Form_Load(bool editing, const QString& startPath) {
    const std::string entry = LocalBytes(startPath);
    if (!editing || entry.empty()) return;

    // A path on no listed drive leaves the drive list as it is.
    SetDrive(platform::DriveOfPath(entry));
    const platform::LookupResult found = platform::FindFirstEntry(entry);
    if (found.status == platform::LookupStatus::Found) {
        // A file, or a pattern that matched, is no directory to open: the list stays.
        Dir1->setPath(startPath);
        return;
    }
    ShowMessage(kPathNotFound);
    // The drive list keeps showing the entry's drive.
    OpenDriveDirectory(Dir1, platform::MainDrive());
}

void Form2::Drive1_Change() {
    if (OpenDriveDirectory(Dir1, currentDrive())) return;
    // Changes that arrive while the message is up (the drive list's own popup delivering
    // its choice again, or the main drive failing as well) are not reported a second time.
    if (resettingDrive_) return;
    resettingDrive_ = true;
    Drive1->hidePopup();
    ShowMessage(kInvalidDrive, kInvalidDriveCaption);
    SetDrive(platform::MainDrive());
    OpenDriveDirectory(Dir1, platform::MainDrive());
    resettingDrive_ = false;
}

void Form2::btnOK_Click() {
    // The open directory, not a line that is merely highlighted.
    chosen_ = Dir1->path();
    accept();
}

void Form2::btnCancel_Click() { reject(); }

void Form2::ShowMessage(const char* text, const char* caption) {
    services_.messages->Show(this, QString::fromLatin1(text), QString::fromLatin1(caption));
}

}  // namespace zolvantek
