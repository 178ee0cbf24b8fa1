#pragma once

#include <QObject>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

#include "editors/message_boxes.h"
#include "tray/launch_readers.h"
#include "tray/module_state.h"

namespace zolvantek {

// What the list items and the fixed commands of both popup menus do: launch an entry,
// open the help, show the About box, end the program.
class LaunchCommands : public QObject {
    Q_OBJECT
public:
    // Without boxes, the real message boxes are used.
    LaunchCommands(ModuleState& state, QSystemTrayIcon& trayIcon, MessageBoxes* boxes = nullptr,
                   ProcessStarter& starter = SystemProcessStarter(), QObject* parent = nullptr);
    ~LaunchCommands() override;

    // How Close ends the event loop; QCoreApplication::exit(0) unless replaced.
    void SetQuit(std::function<void()> quit) { quit_ = std::move(quit); }

public slots:
    void mnuDir_Click(int Index);
    void mnuDirP_Click(int Index);
    // Help, About and Close of both menus: the items of the PROGRAMS menu (mnuHelp2,
    // mnuZOLVANTEKProg, mnuCloseProg) do exactly what those of WINDOWS EXPLORER do.
    void mnuHelp_Click();
    void mnuZOLVANTEK_Click();
    void mnuClose_Click();

private:
    void ShowMessage(const std::string& text);
    std::function<void(const std::string&)> LateMessage();

    ModuleState& state_;
    QSystemTrayIcon& trayIcon_;
    MessageBoxes& boxes_;
    ProcessStarter& starter_;
    std::function<void()> quit_;
};

}  // namespace zolvantek
