#include <QByteArray>
#include <QtGlobal>

namespace {

// Linked into every test program: run on its own, outside CTest, a test
// draws off screen as it does under CTest, unless another platform is asked
// for. The programs it starts inherit the choice.
void drawOffScreen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}
Q_CONSTRUCTOR_FUNCTION(drawOffScreen)

} // namespace
