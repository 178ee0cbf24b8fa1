#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <string>

#include "editors/directory_list.h"

namespace zolvantek {

class Form3;

inline constexpr const char* kPathNotFound = "Path not Found";
inline constexpr const char* kInvalidDrive = "The Drive you selected is INVALID";
inline constexpr const char* kInvalidDriveCaption = "INVALID DRIVE";

// The directory picker of the item dialog: a drive list and a directory list. OK hands the
// open directory to the item dialog's path box, and to its name box while that is empty.
class Form2 : public QDialog {
    Q_OBJECT
public:
    explicit Form2(Form3& opener);

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
    void Form_Load();
    void ShowMessage(const char* text, const char* caption = "");

    Form3& opener_;
    bool resettingDrive_ = false;
};

}  // namespace zolvantek
