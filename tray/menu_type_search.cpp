#include "tray/menu_type_search.h"

#include <QAction>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMenu>

namespace zolvantek {
namespace {

// A pause this long starts a new search, as in file managers and list views.
constexpr qint64 kTypingPauseMs = 1000;

class TypeSearch final : public QObject {
public:
    explicit TypeSearch(QMenu* menu) : QObject(menu), menu_(menu) {}

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Hide) typed_.clear();
        if (event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if ((key->modifiers() & ~Qt::ShiftModifier) != 0 || text.size() != 1 ||
            !text.at(0).isPrint() || (text == QLatin1String(" ") && typed_.isEmpty())) {
            return false;
        }
        if (!sinceLastKey_.isValid() || sinceLastKey_.elapsed() > kTypingPauseMs) typed_.clear();
        sinceLastKey_.restart();
        // The same letter again steps through the entries that begin with it.
        const bool again = typed_.size() == 1 && typed_ == text.toLower();
        if (!again) typed_ += text.toLower();
        if (QAction* match = Find(again)) {
            menu_->setActiveAction(match);
            // Selecting opens a submenu at once, and it would take the next letters: it opens
            // on Enter or the arrow, as after an arrow key.
            if (QMenu* submenu = match->menu()) submenu->hide();
        }
        return true;
    }

private:
    QAction* Find(bool afterActive) const {
        const QList<QAction*> actions = menu_->actions();
        const qsizetype start = afterActive ? actions.indexOf(menu_->activeAction()) + 1 : 0;
        for (qsizetype i = 0; i < actions.size(); ++i) {
            QAction* action = actions[(start + i) % actions.size()];
            if (!action->isVisible() || action->isSeparator() || !action->isEnabled()) continue;
            // Captions double an "&" so that it shows as typed.
            QString name = action->text();
            name.replace(QStringLiteral("&&"), QStringLiteral("&"));
            if (name.startsWith(typed_, Qt::CaseInsensitive)) return action;
        }
        return nullptr;
    }

    QMenu* menu_;
    QString typed_;
    QElapsedTimer sinceLastKey_;
};

}  // namespace

void SelectByTyping(QMenu* menu) {
    menu->installEventFilter(new TypeSearch(menu));
    for (QAction* action : menu->actions()) {
        if (action->menu() != nullptr) SelectByTyping(action->menu());
    }
}

}  // namespace zolvantek
