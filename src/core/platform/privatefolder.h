// The folder each running instance converts into: its own, private to the
// user, never the current folder or one of the user's. It is made at start
// and removed on every way out; a fatal signal still removes what we wrote
// and ends the converter (see lastwords.h), and a folder left by a run that
// died anyway is removed by the next start.
#pragma once

#include <QByteArray>
#include <QString>

class PrivateFolder
{
public:
    // Removes the folders of ours whose process is gone from `base`, then
    // makes "pictovane-<pid>-XXXXXX" there, mode 0700. `base` empty: the
    // runtime folder ($XDG_RUNTIME_DIR), else the system's temporary folder.
    explicit PrivateFolder(const QString &base = QString());
    // Removes the folder with everything in it.
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder &) = delete;
    PrivateFolder &operator=(const PrivateFolder &) = delete;

    // False when it could not be made: nothing can be converted then.
    bool isValid() const { return !m_path.isEmpty(); }
    // Absolute path; empty when not valid.
    const QString &path() const { return m_path; }

    // Where instances keep their folders when `base` is not given.
    static QString defaultBase();
    // Removes from `base` the folders of ours whose process has ended and
    // that belong to this user; returns how many went.
    static int removeStale(const QString &base);

private:
    QString m_path;
};

// A file's name as the file system's bytes (as the command line and a drop
// give it), made absolute against the current folder.
QByteArray absoluteFileName(const QByteArray &fileName);

// A path Qt can open for the file `fileName` names: its text, or where the
// text has lost bytes of the name (one that is not UTF-8), a link to the
// file made in `folder` under the text's name, so the picture's title stays
// readable. The text as it is when no link can be made.
QString reachableFileName(const QByteArray &fileName, const QString &folder);
