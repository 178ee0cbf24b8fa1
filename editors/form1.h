#pragma once

#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "editors/editor_services.h"
#include "editors/item_rules.h"
#include "editors/line_list.h"
#include "editors/list_rules.h"
#include "settings/launcher_lists.h"
#include "settings/reg_settings.h"

namespace zolvantek {

// The main window: hidden while the program works from the tray, shown as the list editor.
// It holds both lists; exactly one of them is visible while the editor is shown, and that
// one is the list every button works on.
class Form1 : public QWidget {
    Q_OBJECT
public:
    // editMode is the program's flag that tells the item dialog to edit the selected line;
    // it must outlive the window.
    Form1(CRegSettings& settings, std::int16_t maxItems, std::int16_t& editMode,
          EditorServices services = {}, QWidget* parent = nullptr);

    QListWidget* listFor(ListKind kind) const;
    // The list on screen: the directories while lstPath is shown, else the programs.
    ListKind visibleKind() const;
    // Row of the selected line of a list, counting from 0; -1 when none is selected.
    int selectedRow(ListKind kind) const;

    // Replaces the lines of one list.
    void SetLines(ListKind kind, const std::vector<std::string>& lines);
    std::vector<std::string> Lines(ListKind kind) const;

    QGroupBox* Frame1;
    LineList* lstPath;
    LineList* lstPathP;
    QPushButton* Command4;  // Add
    QPushButton* Command5;  // Edit
    QPushButton* Command3;  // Delete
    QPushButton* Command7;  // Insert Line
    QPushButton* Command1;  // Move Up
    QPushButton* Command2;  // Move Down
    QPushButton* Command6;  // CANCEL
    QPushButton* btnOK;

public slots:
    // "Add or Modify" of the WINDOWS EXPLORER and of the PROGRAMS menu.
    void mnuAdd_Click();
    void mnuAddProgram_Click();

    void Command4_Click();
    void Command5_Click();
    void Command3_Click();
    void Command7_Click();
    void Command1_Click();
    void Command2_Click();
    void Command6_Click();
    void btnOK_Click();

signals:
    // A list was loaded or stored: its menu items must show these captions.
    void slotCaptionsChanged(ListKind kind, const SlotCaptions& captions);
    // F1 in the editor or one of its dialogs.
    void helpRequested(int contextId);

private:
    void OpenEditor(ListKind kind);
    // True when the dialog's line went into the list; `dropped` fills a new line's fields.
    bool ShowItemDialog(bool editing, const std::optional<ItemFields>& dropped = std::nullopt);
    // Files dropped on a list: each one it takes is offered in the item dialog in turn.
    void DropFiles(ListKind kind, const QStringList& files);
    void ShowMessage(const std::string& text);
    void MoveSelected(int targetRow);

    CRegSettings& settings_;
    std::int16_t maxItems_;
    std::int16_t& editMode_;
    EditorServices services_;
    int helpContext_ = kDirectoryHelpContext;
    // Counts the openings of the editor, so a dialog can tell that its list was reloaded.
    int openings_ = 0;
};

}  // namespace zolvantek
