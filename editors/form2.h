#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <string>

#include "editors/directory_list.h"
#include "editors/editor_services.h"

namespace zolvantek {

inline constexpr const char* kPathNotFound = "Path not Found";
inline constexpr const char* kInvalidDrive = "The Drive you selected is INVALID";
inline constexpr const char* kInvalidDriveCaption = "INVALID DRIVE";

// The directory picker: a drive list and a directory list. OK hands back the open directory.
class Form2 : public QDialog {
    Q_OBJECT
public:
    // When editing, the picker opens on `startPath`; otherwise on the current directory.
    Form2(bool editing, const QString& startPath, EditorServices services,
          QWidget* parent = nullptr);

    // After OK: the directory that was open, in the system's notation; empty when none was.
    QString chosenDirectory() const { return chosen_; }

    // The drive Drive1 shows, as the system writes it ("C:", "/").
    std::string currentDrive() const;
    // Makes a listed drive the current one; a change runs Drive1_Change. False when the
    // drive is not in the list.
    bool SetDrive(const std::string& drive);

    QPushButton* btnOK;
    QPushButton* btnCancel;
    QComboBox* Drive1;
    QLabel* Label1;
    DirectoryList* Dir1;

public slots:
    void Drive1_Change();
    void btnOK_Click();
    void btnCancel_Click();

signals:
    void helpRequested(int contextId);

private:
    void Form_Load(bool editing, const QString& startPath);
    void ShowMessage(const char* text, const char* caption = "");

    EditorServices services_;
    QString chosen_;
    bool resettingDrive_ = false;
};

}  // namespace zolvantek
