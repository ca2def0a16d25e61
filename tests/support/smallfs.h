// A small file system of its own for a test: a size-limited tmpfs mounted on
// a temporary folder, so a copy can really run out of space, or a catalogue
// can really sit on a read-only medium. Needs the right to mount (root, or
// CAP_SYS_ADMIN); where that is missing, Mounted() is false and WhyNot() says
// why, for the test's skip message.
#pragma once

#include <QString>
#include <QTemporaryDir>

namespace qlm::test {

class SmallFs {
public:
    explicit SmallFs(qint64 bytes);
    ~SmallFs();
    SmallFs(const SmallFs&) = delete;
    SmallFs& operator=(const SmallFs&) = delete;

    bool Mounted() const { return mounted_; }
    QString WhyNot() const { return whyNot_; }
    QString path() const { return dir_.path(); }
    // Remounts read-only (true) or writable again.
    bool SetReadOnly(bool readOnly);

private:
    QTemporaryDir dir_;
    qint64 bytes_;
    bool mounted_ = false;
    QString whyNot_;
};

}  // namespace qlm::test
