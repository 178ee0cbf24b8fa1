#include "editors/form1.h"

namespace zolvantek {

Form1::Form1(QWidget* parent)
    : QWidget(parent),
      Frame1(new QGroupBox(this)),
      lstPath(new QListWidget(Frame1)),
      lstPathP(new QListWidget(Frame1)) {
    setObjectName(QStringLiteral("Form1"));
    Frame1->setObjectName(QStringLiteral("Frame1"));
    lstPath->setObjectName(QStringLiteral("lstPath"));
    lstPathP->setObjectName(QStringLiteral("lstPathP"));
    lstPathP->setVisible(false);
}

QListWidget* Form1::listFor(ListKind kind) const {
    return kind == ListKind::Directories ? lstPath : lstPathP;
}

void Form1::SetLines(ListKind kind, const std::vector<std::string>& lines) {
    QListWidget* list = listFor(kind);
    list->clear();
    for (const std::string& line : lines) list->addItem(QString::fromLocal8Bit(line));
}

}  // namespace zolvantek
