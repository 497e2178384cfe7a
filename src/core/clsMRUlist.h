#pragma once
// The recently used files, newest first: eleven positions (0 to 10), "" where none is filled yet. Read from the
// settings section "MRUfiles" (keys "0" to "10") when created, written back (all eleven) only when released, so a
// run that ends without an orderly exit leaves the previous run's list.
// Calling thread: the user-interface thread; MRUlistChange handlers run inside setMRUfile.
#include <QObject>
#include <QString>
#include <array>

namespace vemra {

class clsMRUlist final : public QObject {
    Q_OBJECT
public:
    static constexpr int Size = 11;

    explicit clsMRUlist(QObject* parent = nullptr);
    ~clsMRUlist() override;

    // The name at a position; "" outside 0..10.
    QString GetMRUfile(int position) const;
    // Puts a name at the front (exact, case-sensitive match moves an existing entry; the oldest drops out).
    void setMRUfile(const QString& name);

signals:
    void MRUlistChange();

private:
    std::array<QString, Size> files_;
};

} // namespace vemra
