#include <QDebug>
#include "editors/form3.h"
#include "tests/gui/editor_test_support.h"
namespace zolvantek { namespace {
class Geo : public test_support::EditorFixture {};
TEST_F(Geo, Print) {
  OpenOn(ListKind::Directories, {});
  Form3 d(Editor()); d.show();
  for (QWidget* w : d.findChildren<QWidget*>()) if (w->isVisibleTo(&d)) qDebug() << w->objectName() << w->geometry() << w->sizeHint();
}
}}
