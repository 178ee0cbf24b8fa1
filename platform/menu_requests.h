#pragma once

#include <QObject>
#include <QString>
#include <memory>

namespace zolvantek::platform {

// How a second start of the program (`zolvantek --show programs`) asks the running one to
// open a menu: over the session bus outside Windows, by a window message on Windows.
class MenuRequests : public QObject {
    Q_OBJECT
public:
    ~MenuRequests() override = default;

signals:
    // `menu` is the word the request named: "programs" or "directories".
    void showRequested(const QString& menu);
};

// Takes requests for the running instance; nullptr when none can reach it (no session bus).
std::unique_ptr<MenuRequests> ListenForMenuRequests();

// Asks the running instance to open `menu`, waiting a few seconds for one that is still
// starting; false when none answered.
bool RequestMenu(const QString& menu);

}  // namespace zolvantek::platform
