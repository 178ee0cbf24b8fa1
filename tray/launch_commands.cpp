#include "tray/launch_commands.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>

#include "common/about_text.h"

namespace zolvantek {

LaunchCommands::LaunchCommands(ModuleState& state, QSystemTrayIcon& trayIcon, MessageBoxes* boxes,
                               ProcessStarter& starter, QObject* parent)
    : QObject(parent),
      state_(state),
      trayIcon_(trayIcon),
      boxes_(boxes == nullptr ? QtMessageBoxes() : *boxes),
      starter_(starter),
      quit_([] { QCoreApplication::exit(0); }) {}

LaunchCommands::~LaunchCommands() = default;

void LaunchCommands::ShowMessage(const std::string& text) {
    if (!text.empty()) boxes_.Show(nullptr, QString::fromLocal8Bit(text));
}

// A message for a start that failed after the click was handled: this object may be gone.
std::function<void(const std::string&)> LaunchCommands::LateMessage() {
    return [self = QPointer<LaunchCommands>(this)](const std::string& text) {
        if (self) self->ShowMessage(text);
    };
}

void LaunchCommands::mnuDir_Click(int Index) {
    ShowMessage(LaunchDirectory(state_, Index, starter_, LateMessage()));
}

void LaunchCommands::mnuDirP_Click(int Index) {
    ShowMessage(LaunchProgram(state_, Index, starter_));
}

void LaunchCommands::mnuHelp_Click() { ShowMessage(StartHelp(starter_, LateMessage())); }

void LaunchCommands::mnuZOLVANTEK_Click() {
    boxes_.Show(nullptr, QString::fromLocal8Bit(AboutText()), QString::fromLatin1(kAboutCaption));
}

void LaunchCommands::mnuClose_Click() {
    trayIcon_.hide();

    // Open dialogs go first, the most recent one first: the innermost modal dialog, then the
    // one that opened it. The main window stays; it goes with the program.
    QList<QPointer<QWidget>> closed;
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (closed.contains(modal)) break;  // refused to go away: do not spin
        closed.append(modal);
        modal->close();
        if (closed.last() && closed.last()->isVisible()) closed.last()->hide();
    }
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QPointer<QWidget>& window :
         QList<QPointer<QWidget>>(windows.begin(), windows.end())) {
        if (qobject_cast<QDialog*>(window) != nullptr && window->isVisible()) window->close();
    }

    // At once: nothing is saved and no further event runs in this program.
    quit_();
}

}  // namespace zolvantek
