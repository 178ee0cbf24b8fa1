#include "platform/help_page.h"

#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#include "platform/process_start.h"

namespace zolvantek::platform {

bool UsesWinHelp(const std::string& /*helpFile*/) { return false; }

bool OpenHelpPage(const std::string& page, const std::string& section,
                  const std::function<void()>& failedLater) {
    if (section.empty()) return OpenWithDesktop(page, {}, failedLater) == OpenResult::Started;
    // xdg-open hands the URL on after it has returned, so a missing page would fail unseen.
    const QString file = QString::fromLocal8Bit(page);
    if (!QFileInfo(file).isFile()) return false;
    QUrl url = QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath());
    url.setFragment(QString::fromLocal8Bit(section));
    return QProcess::startDetached(QStringLiteral("xdg-open"), {url.toString(QUrl::FullyEncoded)});
}

}  // namespace zolvantek::platform
