#pragma once

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <string>
#include <vector>

#include "editors/editor_services.h"
#include "editors/item_rules.h"

namespace zolvantek {

// The item dialog: the fields of one line of a list, for a new line or for the editor's
// selected one. It hands the line to store back to whoever opened it.
class Form3 : public QDialog {
    Q_OBJECT
public:
    // `line` is the selected line when editing; a line that does not split opens as new.
    Form3(ListKind kind, bool editing, const std::string& line, EditorServices services,
          QWidget* parent = nullptr);

    // Fills the boxes of a new line, as a file dropped on the editor gives them.
    void Prefill(const ItemFields& fields);
    // The fields as they stand in the boxes and options.
    ItemFields fields() const;
    // After OK: the line to store.
    const std::string& line() const { return line_; }

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
    void SetFonts();
    void Form_Load(const std::string& line);
    void ShowMessage(const std::string& text);
    void BrowseFile(const std::vector<std::string>& filters, const std::string& defaultSuffix,
                    QLineEdit* box);

    ListKind kind_;
    bool editing_;
    EditorServices services_;
    std::string line_;
    // The fields of the line being edited, as stored.
    ItemFields loaded_;
};

}  // namespace zolvantek
