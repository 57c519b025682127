#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <curl/curl.h>
#include <functional>

class QSocketNotifier;
class QTimer;

// libcurl's multi interface driven by the Qt event loop of this thread: a pair
// of socket notifiers per socket that libcurl watches and one single-shot timer
// for its timeouts. Finished transfers are handed back through the done
// callback from a fresh turn of the event loop, never from inside libcurl or a
// notifier, so the callback may add, remove or destroy anything.
class CurlEventLoop final : public QObject {
public:
    using Done = std::function<void(CURL* easy, CURLcode result)>;

    explicit CurlEventLoop(Done done, QObject* parent = nullptr);
    ~CurlEventLoop() override;

    // libcurl's process-wide set-up; call before any thread starts. Safe to
    // call again.
    static void globalInit();

    // Starts the transfer; false when libcurl refused it (nothing was added).
    bool add(CURL* easy);
    // Stops the transfer at once; its done callback never runs.
    void remove(CURL* easy);

private:
    struct Notifiers {
        QSocketNotifier* read = nullptr;
        QSocketNotifier* write = nullptr;
    };

    static int socketCallback(CURL* easy, curl_socket_t s, int what, void* loop, void* socketp);
    static int timerCallback(CURLM* multi, long timeoutMs, void* loop);
    void watch(curl_socket_t s, int what);
    void act(curl_socket_t s, int mask);
    void collectFinished();
    void deliverFinished();

    CURLM* m_multi = nullptr;
    QTimer* m_timer = nullptr;
    QHash<curl_socket_t, Notifiers> m_notifiers;
    QList<QPair<CURL*, CURLcode>> m_finished;
    bool m_deliveryPosted = false;
    Done m_done;
};
