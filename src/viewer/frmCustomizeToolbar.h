#pragma once
// The dialog in which the user customises the document window's toolbar: the buttons it does not show (and the
// separator, always offered) on the left, the shown ones in their order on the right. Every change is handed to
// the window at once, which shows and stores it; Reset brings back the initial layout. The dialog is window-modal
// and deletes itself when closed. Calling thread: the user-interface thread.
#include <QDialog>
#include <QIcon>
#include <QList>
#include <QStringList>

#include <functional>

class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace vemra {

class frmCustomizeToolbar : public QDialog {
    Q_OBJECT
public:
    struct Button {
        QString key;
        QString description; // the text the list shows
        QIcon icon;
    };
    // `buttons` in their initial order; `initial` and `current` are layouts (ToolbarLayout.h); `apply` receives
    // each changed layout.
    frmCustomizeToolbar(QList<Button> buttons, QStringList initial, const QStringList& current,
                        std::function<void(const QStringList&)> apply, QWidget* parent);

    QStringList layout() const { return layout_; }

private:
    void fill();
    void addSelected();
    void removeSelected();
    void moveSelected(int step);
    void reset();
    void change(QStringList layout, int currentRow);
    void updateButtons();
    QListWidgetItem* itemFor(const QString& key) const;

    QList<Button> buttons_;
    QStringList initial_;
    QStringList layout_;
    std::function<void(const QStringList&)> apply_;
    QListWidget* lstAvailable_ = nullptr;
    QListWidget* lstCurrent_ = nullptr;
    QPushButton* cmdAdd_ = nullptr;
    QPushButton* cmdRemove_ = nullptr;
    QPushButton* cmdUp_ = nullptr;
    QPushButton* cmdDown_ = nullptr;
};

} // namespace vemra
