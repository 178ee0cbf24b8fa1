// The three windows as laid out on the screen: no control cut off by its window, too
// narrow for its caption in the system's fonts, or run into its neighbour. ctest runs this
// also with only DejaVu fonts and at a scale factor of 1.5.
#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>

#include "editors/form2.h"
#include "editors/form3.h"
#include "tests/gui/gui_test_support.h"

namespace zolvantek {
namespace {

// Every problem with the controls of one window, as readable lines.
QStringList LayoutProblems(QWidget& window) {
    QStringList problems;
    const QRect inside = window.rect();
    for (QWidget* control : window.findChildren<QWidget*>()) {
        const QString name = control->objectName();
        if (name.isEmpty() || name.startsWith(QStringLiteral("qt_"))) continue;
        if (!control->isVisibleTo(&window)) continue;
        // Frames without a caption reach past the window's top edge by design.
        if (auto* box = qobject_cast<QGroupBox*>(control); box && box->title().isEmpty()) continue;
        const QRect place(control->mapTo(&window, QPoint(0, 0)), control->size());
        if (!inside.contains(place)) problems << name + QStringLiteral(" is cut off");
        int needed = 0;
        if (auto* label = qobject_cast<QLabel*>(control)) {
            needed = label->fontMetrics().horizontalAdvance(label->text());
        } else if (auto* option = qobject_cast<QRadioButton*>(control)) {
            needed = option->sizeHint().width();
        } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            needed = button->fontMetrics().horizontalAdvance(button->text()) + 4;
        }
        if (needed > control->width()) problems << name + QStringLiteral(" is too narrow");
        // A widened caption must not run into the next button or option; the design itself
        // lets neighbours share an edge pixel or two.
        if (qobject_cast<QAbstractButton*>(control) == nullptr) continue;
        for (QAbstractButton* other :
             control->parentWidget()->findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly)) {
            const QRect shared = other->geometry().intersected(control->geometry());
            if (other != control && other->isVisibleTo(&window) && shared.width() > 2 &&
                shared.height() > 2 && name < other->objectName()) {
                problems << name + QStringLiteral(" overlaps ") + other->objectName();
            }
        }
    }
    return problems;
}

class WindowLayoutTest : public test_support::EditorFixture {};

TEST_F(WindowLayoutTest, EveryWindowKeepsItsControlsWholeAndWideEnoughForTheirCaptions) {
    Form1& editor = OpenOn(ListKind::Directories, {});
    EXPECT_EQ(LayoutProblems(editor), QStringList());
    for (ListKind kind : {ListKind::Directories, ListKind::Programs}) {
        Form3 dialog(kind, false, {}, EditorServices{&messages_, &files_}, &editor);
        dialog.show();
        EXPECT_EQ(LayoutProblems(dialog), QStringList());
        if (kind == ListKind::Directories) {
            Form2 picker(false, {}, EditorServices{&messages_, &files_}, &dialog);
            picker.show();
            EXPECT_EQ(LayoutProblems(picker), QStringList());
        }
    }
}

}  // namespace
}  // namespace zolvantek
