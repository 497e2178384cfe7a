// Parameters > Graph/Statistics of the document window: a new graph window each time, with the document's file
// when it holds a response, without one for an empty document.
#include "graphs/frmParameters.h"
#include "viewer_fixture.h"

#include <QDialog>
#include <QTimer>
#include <QToolBar>

using namespace vemra;

namespace {

class ParameterGraphCommand : public viewertest::ViewerWindow {
protected:
    void TearDown() override
    {
        for (frmParameters* g : graphs())
            delete g;
        ViewerWindow::TearDown();
    }
    static std::vector<frmParameters*> graphs()
    {
        std::vector<frmParameters*> all;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* g = qobject_cast<frmParameters*>(w))
                all.push_back(g);
        return all;
    }
    // Runs the command with every dialog the new window opens cancelled.
    static void run(QAction* a)
    {
        QTimer closer;
        closer.setInterval(5);
        QObject::connect(&closer, &QTimer::timeout, [] {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                d->reject();
        });
        closer.start();
        a->trigger();
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }
};

} // namespace

TEST_F(ParameterGraphCommand, OpensANewWindowWithTheDocumentsFile)
{
    const QString path = viewertest::writeRamp(QStringLiteral("graph.wav"), 3000, 48000);
    frmView* w = open(path);
    ASSERT_TRUE(w->menuItem(QStringLiteral("mnParGraph"))->isEnabled());
    run(w->menuItem(QStringLiteral("mnParGraph")));
    run(w->button(QStringLiteral("Graph")));
    const auto windows = graphs();
    ASSERT_EQ(windows.size(), 2u);
    for (const frmParameters* g : windows) {
        EXPECT_EQ(g->FileCount(), 1);
        EXPECT_EQ(g->FileName(0), path);
        EXPECT_TRUE(g->isVisible());
    }
}

TEST_F(ParameterGraphCommand, AnEmptyDocumentOpensAnEmptyGraph)
{
    frmView* w = open(QString());
    QAction* button = w->button(QStringLiteral("Graph"));
    ASSERT_TRUE(button->isEnabled());
    run(button);
    const auto windows = graphs();
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows.front()->FileCount(), 0);
}
