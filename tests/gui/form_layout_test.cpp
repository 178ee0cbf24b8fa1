// The three windows as laid out on the screen: design names, sizes from twips, and no
// control cut off by its window or too narrow for its caption in the system's fonts.
#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>

#include "editors/form2.h"
#include "editors/form3.h"
#include "editors/twips_layout.h"
#include "tests/gui/editor_test_support.h"

namespace zolvantek {
namespace {

using test_support::EditorFixture;

// Every problem with the controls of one window, as readable lines.
QStringList LayoutProblems(QWidget& window) {
    QStringList problems;
    const QRect inside = window.rect();
    for (QWidget* control : window.findChildren<QWidget*>()) {
        const QString name = control->objectName();
        if (name.isEmpty() || name.startsWith(QStringLiteral("qt_"))) continue;
        if (!control->isVisibleTo(&window)) continue;
        // Frames without a caption reach past the window's top edge by design.
        if (qobject_cast<QGroupBox*>(control) &&
            qobject_cast<QGroupBox*>(control)->title().isEmpty()) {
            continue;
        }
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
    }
    return problems;
}

class WindowLayoutTest : public EditorFixture {};

TEST_F(WindowLayoutTest, EveryWindowKeepsItsControlsWholeAndNamed) {
    Form1& editor = OpenOn(ListKind::Directories, {});
    const TwipsLayout twips(editor);
    EXPECT_EQ(editor.width(), twips.Size(6960, 0).width());
    EXPECT_EQ(editor.Command4->geometry(), twips.Rect(5784, 120, 1080, 324));
    EXPECT_EQ(editor.lstPath->parentWidget(), editor.Frame1);
    EXPECT_EQ(editor.font().family(), ArialFont().family());
    EXPECT_EQ(LayoutProblems(editor), QStringList());

    for (ListKind kind : {ListKind::Directories, ListKind::Programs}) {
        OpenOn(kind, {});
        Form3 dialog(editor);
        dialog.show();
        EXPECT_EQ(dialog.size(), twips.Size(6960, 2565));
        EXPECT_EQ(dialog.Command1->mapTo(&dialog, QPoint(0, 0)).x(), dialog.Command2->x());
        EXPECT_EQ(LayoutProblems(dialog), QStringList());
        for (const char* name :
             {"btnOK", "btnCancel", "Frame2", "Label1", "Text1", "Label2", "Text2", "Command1",
              "Command2", "Label3", "Text3", "Command3", "Frame3", "Option4", "Option5", "Frame1",
              "Option1", "Option2", "Option3"}) {
            EXPECT_NE(dialog.findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
        }
        if (kind == ListKind::Directories) {
            Form2 picker(dialog);
            picker.show();
            EXPECT_EQ(picker.size(), twips.Size(6225, 2775));
            EXPECT_EQ(LayoutProblems(picker), QStringList());
        }
    }
}

}  // namespace
}  // namespace zolvantek
