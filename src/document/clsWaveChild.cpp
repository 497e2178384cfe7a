#include "document/clsWave.h"

#include "core/ErrorGuard.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace vemra {

namespace {

clsWave::ChildWindowFactory& childFactory()
{
    static clsWave::ChildWindowFactory factory;
    return factory;
}

} // namespace

void clsWave::setChildWindowFactory(ChildWindowFactory factory)
{
    childFactory() = std::move(factory);
}

void clsWave::DisplayChild(int which)
{
    const QPointer<QWidget> window = viewer_ ? viewer_->widget() : nullptr;
    guarded("DisplayChild", [&] {
        if (window)
            window->setEnabled(false);
        QWidget* child = childFactory() ? childFactory()(which, key_) : nullptr;
        if (!child)
            return;
        childWindow_ = child;
        child->show();
        while (childWindow_ && childWindow_->isVisible())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        // The child hides itself from one of its own handlers, which has returned by now.
        delete childWindow_.data();
    });
    // Also after a failure: the document window must not stay disabled.
    if (childWindow_)
        childWindow_->deleteLater();
    childWindow_.clear();
    if (window)
        window->setEnabled(true);
}

} // namespace vemra
