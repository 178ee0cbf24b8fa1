#pragma once

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <string>
#include <vector>

#include "editors/item_rules.h"

namespace zolvantek {

class Form1;

// The item dialog: adds a line to the list on screen in the editor, or edits its selected
// line. Directory or program is the list on screen; add or edit is the editor's edit flag.
// Modal over the editor; it writes its line straight into the editor's list.
class Form3 : public QDialog {
    Q_OBJECT
public:
    explicit Form3(Form1& editor);

    Form1& editor() const { return editor_; }
    // The fields as they stand in the boxes and options.
    ItemFields fields() const;

    QPushButton* btnOK;
    QPushButton* btnCancel;
    QGroupBox* Frame2;
    QLabel* Label1;
    QLineEdit* Text1;  // shortcut name
    QLabel* Label2;
    QLineEdit* Text2;       // directory or program path
    QPushButton* Command1;  // browse for a program
    QPushButton* Command2;  // browse for a directory
    QLabel* Label3;
    QLineEdit* Text3;       // program arguments
    QPushButton* Command3;  // browse for an arguments file
    QGroupBox* Frame3;      // Form Style
    QRadioButton* Option4;  // Explorer
    QRadioButton* Option5;  // Form
    QGroupBox* Frame1;      // Startup Style
    QRadioButton* Option1;  // Normal
    QRadioButton* Option2;  // Minimized
    QRadioButton* Option3;  // Maximized

public slots:
    void btnOK_Click();
    void btnCancel_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

signals:
    void helpRequested(int contextId);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();
    void ShowMessage(const std::string& text);
    void BrowseFile(const std::vector<std::string>& filters, QLineEdit* box);

    Form1& editor_;
    // The help topic of the list the dialog was opened for.
    int helpContext_;
};

}  // namespace zolvantek
