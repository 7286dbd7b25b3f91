#pragma once
// Components of the desktop library: the base class, and the single-instance guard.
//
// TqvxOneInstance keeps a second copy of a program from running. The owner (the program's main
// window) calls Loaded() once it has been built and before it is shown. The guard then tries to
// take the lock of the application title (see qvxFormUtils.h for the files):
//  - lock taken: this is the first copy. It keeps the lock for its whole run, raises InstanceTaken
//    and then listens on its local socket; every "activate" request raises ActivationRequested
//    (the owner comes to the front). A lock left by a killed copy is recognised as stale and taken
//    over, and so is a lock file that names no holder (empty or damaged) when no live process holds it.
//    Should the socket fail (its name taken), the lock still keeps other copies out; they end
//    without bringing this one to the front.
//  - lock held by a live process (another copy, or another guard of this process): the new copy
//    shows the message when ShowMessage is set (or raises OnShowMessage instead), asks the running
//    copy to come to the front when ActivatePrevInstance is set, and - unless OnShowMessage
//    cleared Terminate - becomes Terminated(): the owner ends without showing its main window.
//  - no lock can be made (no usable folder, something other than a file in the lock's place): the
//    copy runs anyway, Unguarded() answers true (the
//    owner tells the user that nothing keeps a second copy out) and a warning is written on the
//    "qvx.instance" logging category.
// In the design state the guard tests nothing and takes no lock. Informational lines ("holds",
// "says" and the message, "activation requested") go to the same category at info level (off unless enabled
// with QT_LOGGING_RULES="qvx.instance.info=true").

#include <QLoggingCategory>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QLocalServer;
class QLockFile;

Q_DECLARE_LOGGING_CATEGORY(lcqvxInstance)

// The base class of the library's components.
class TqvxComponent : public QObject {
    Q_OBJECT
public:
    explicit TqvxComponent(QObject* owner = nullptr);

    QString About; // design-time information only: never stored, no effect at run time

    // The design state: a component then does nothing to the system.
    bool Designing() const { return designing_; }
    void SetDesigning(bool designing) { designing_ = designing; }

private:
    bool designing_ = false;
};

// The handler that replaces the message box; it may clear terminate to let the new copy go on.
using TqvxOneInstanceShowMessage = std::function<void(QObject* sender, bool& terminate)>;

class TqvxOneInstance : public TqvxComponent {
    Q_OBJECT
public:
    explicit TqvxOneInstance(QObject* owner = nullptr);
    ~TqvxOneInstance() override;

    bool ActivatePrevInstance = true;
    QString Message; // empty: "Application "<title>" is already running."
    bool ShowMessage = false;
    TqvxOneInstanceShowMessage OnShowMessage;
    QString LockFolder; // empty: the user's runtime folder

    // What the owner calls when it has been built: runs CheckInstance.
    void Loaded();
    // Runs InstanceExists when IsAnotherInstance answers true.
    virtual void CheckInstance();
    // Takes the lock (see above); true when another live copy holds it.
    virtual bool IsAnotherInstance();

    // True when this copy must end without showing its main window.
    bool Terminated() const { return terminated_; }
    // True when this copy holds the lock.
    bool HoldsInstance() const;
    // True when the test found no lock that could be made: this copy runs without the guard.
    bool Unguarded() const { return unguarded_; }
    // The title the guard is named from (qvxApplicationTitle of its owner).
    QString Title() const;

signals:
    // This copy has just taken the lock and does not listen yet: what the owner writes here for
    // later copies is written before any of them can reach this one (qvxFindPrevInstanceWindow).
    void InstanceTaken();
    void ActivationRequested();

protected:
    virtual void InstanceExists();

private:
    void ShowInstanceMessage(bool& terminate);
    void Listen(const QString& serverName);
    void ReadRequests();

    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
    bool terminated_ = false;
    bool unguarded_ = false;
};
