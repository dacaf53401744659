#pragma once

#include <QMutex>
#include <QString>

#include <vector>

namespace fenwave {

// The output files that the encoder runs this program watches are writing at the moment (its
// run windows; a batch's jobs as well), so that no second run is started on a file another one
// is writing: two encoders writing one file leave neither's output. A name counts as the same
// file under any spelling and through links (device and inode compared, as
// namesSameExistingFile() does); a file that does not exist yet matches by its absolute path,
// with "." and ".." removed and links in its folder resolved. Runs in a terminal window are out
// of sight and never entered.
class OutputsInWriting
{
public:
    // Keeps one entry in the register while it lives; moving it hands the entry on.
    class Claim
    {
    public:
        Claim() = default;
        Claim(Claim &&other) noexcept;
        Claim &operator=(Claim &&other) noexcept;
        Claim(const Claim &) = delete;
        Claim &operator=(const Claim &) = delete;
        ~Claim() { release(); }

        bool isHeld() const { return m_owner != nullptr; }
        // Takes the entry out of the register now.
        void release();

    private:
        friend class OutputsInWriting;
        Claim(OutputsInWriting *owner, quint64 id) : m_owner(owner), m_id(id) {}
        OutputsInWriting *m_owner = nullptr;
        quint64 m_id = 0;
    };

    OutputsInWriting() = default;
    OutputsInWriting(const OutputsInWriting &) = delete;
    OutputsInWriting &operator=(const OutputsInWriting &) = delete;

    // The register of this program, shared by everything that starts encoders.
    static OutputsInWriting &shared();

    // true when `path` names a file an entry names. A relative `path` is taken against
    // `folder` (the folder the run would start in); an empty one names nothing.
    bool isBeingWritten(const QString &path, const QString &folder) const;
    // Enters the output `path` of a run that starts in `folder`. An empty `path` enters nothing
    // and gives a claim that holds nothing.
    [[nodiscard]] Claim claim(const QString &path, const QString &folder);

private:
    struct Entry {
        quint64 id;
        QString path; // absolute, as the run would open it
    };
    void release(quint64 id);

    mutable QMutex m_mutex;
    std::vector<Entry> m_entries;
    quint64 m_nextId = 1;
};

} // namespace fenwave
