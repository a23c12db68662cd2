// The spooler seam on CUPS. Qt's CUPS backend renders a document to a temporary PDF file and hands it
// to CUPS with cupsPrintFile when the painter ends, and drops the answer: libcups keeps it as the
// thread's last error, and the job it made is found among this user's jobs on the queue.

#include <cups/cups.h>

#include <QStringList>
#include <algorithm>
#include <iterator>
#include <vector>

#include "spooler.h"

namespace velmora {

namespace {

// The queue's name without a CUPS instance ("Office/draft" is queue "Office"), as Qt hands jobs over.
QByteArray queueOf(const QString& printerName) {
    return printerName.section(QLatin1Char('/'), 0, 0).toUtf8();
}

struct Job {
    int id = 0;
    QByteArray name;
    ipp_jstate_t state = IPP_JSTATE_PENDING;
    QStringList reasons;  // job-state-reasons and job-state-message as the spooler words them
};

// The queue's address on the user's CUPS server.
QByteArray printerUri(const QByteArray& queue) {
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/printers/%s",
                     queue.constData());
    return uri;
}

// This user's jobs on the queue, all of them, completed or not, in the order the spooler lists them.
std::vector<Job> userJobs(const QByteArray& queue) {
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOBS);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 printerUri(queue).constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddBoolean(request, IPP_TAG_OPERATION, "my-jobs", 1);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "all");
    static const char* const wanted[] = {"job-id", "job-name", "job-state", "job-state-reasons",
                                         "job-state-message"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", int(std::size(wanted)),
                  nullptr, wanted);
    std::vector<Job> jobs;
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    bool inJob = false;
    for (ipp_attribute_t* a = response ? ippFirstAttribute(response) : nullptr; a;
         a = ippNextAttribute(response)) {
        // Each job is one group of attributes; an unnamed attribute separates two groups.
        if (ippGetGroupTag(a) != IPP_TAG_JOB || !ippGetName(a)) {
            inJob = false;
            continue;
        }
        if (!inJob) {
            jobs.emplace_back();
            inJob = true;
        }
        Job& job = jobs.back();
        const QByteArray name = ippGetName(a);
        if (name == "job-id") {
            job.id = ippGetInteger(a, 0);
        } else if (name == "job-name") {
            job.name = ippGetString(a, 0, nullptr);
        } else if (name == "job-state") {
            job.state = ipp_jstate_t(ippGetInteger(a, 0));
        } else {
            for (int i = 0; i < ippGetCount(a); ++i) {
                job.reasons << QString::fromUtf8(ippGetString(a, i, nullptr));
            }
        }
    }
    ippDelete(response);
    return jobs;
}

// The spooler's own words for its last answer on this thread: "server-error-not-accepting-jobs:
// Destination "Office" is not accepting jobs.".
QString lastAnswer() {
    return QString::fromUtf8(ippErrorString(cupsLastError())) + QStringLiteral(": ") +
           QString::fromUtf8(cupsLastErrorString());
}

}  // namespace

QString SpoolerQueueRefusal(const QString& printerName) {
    const QByteArray queue = queueOf(printerName);
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 printerUri(queue).constData());
    static const char* const wanted[] = {"printer-is-accepting-jobs", "printer-state",
                                         "printer-state-message"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", int(std::size(wanted)),
                  nullptr, wanted);
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    if (!response) {
        return {};
    }
    ipp_attribute_t* accepting = ippFindAttribute(response, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
    ipp_attribute_t* state = ippFindAttribute(response, "printer-state", IPP_TAG_ENUM);
    ipp_attribute_t* message = ippFindAttribute(response, "printer-state-message", IPP_TAG_TEXT);
    const bool refusing = accepting && !ippGetBoolean(accepting, 0);
    const bool stopped = state && ippGetInteger(state, 0) == IPP_PSTATE_STOPPED;
    // The spooler's own words: its message when it has one, else the attribute that says no.
    QString words = message ? QString::fromUtf8(ippGetString(message, 0, nullptr)) : QString();
    ippDelete(response);
    if (words.isEmpty()) {
        words = refusing ? QStringLiteral("printer-is-accepting-jobs false")
                         : QStringLiteral("printer-state stopped");
    }
    if (refusing) {
        return QStringLiteral(
                   "打印机“%1”不接受新的打印作业（打印服务：%"
                   "2）。请在系统的打印机设置中让它接受作业后再打印。")
            .arg(printerName, words);
    }
    if (stopped) {
        return QStringLiteral(
                   "打印机“%1”已停止，不接受打印（打印服务：%"
                   "2）。请在系统的打印机设置中恢复这台打印机后再打印。")
            .arg(printerName, words);
    }
    return {};
}

SpoolerJobWatch::SpoolerJobWatch(QString printerName, QString title)
    : printerName_(std::move(printerName)), title_(std::move(title)) {
    for (const Job& job : userJobs(queueOf(printerName_))) {
        newestBefore_ = std::max(newestBefore_, job.id);
    }
}

QString SpoolerJobWatch::answer() const {
    const ipp_status_t status = cupsLastError();
    if (status > IPP_STATUS_OK_EVENTS_COMPLETE) {
        QString why;
        switch (status) {
            case IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS:
                why = QStringLiteral("打印机“%1”不接受新的打印作业");
                break;
            case IPP_STATUS_ERROR_NOT_FOUND:
                why = QStringLiteral("打印服务中没有打印机“%1”");
                break;
            case IPP_STATUS_ERROR_FORBIDDEN:
            case IPP_STATUS_ERROR_NOT_AUTHENTICATED:
            case IPP_STATUS_ERROR_NOT_AUTHORIZED:
            case IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED:
                why = QStringLiteral("没有在打印机“%1”上打印的权限");
                break;
            case IPP_STATUS_ERROR_SERVICE_UNAVAILABLE:
            case IPP_STATUS_ERROR_INTERNAL:
                why = QStringLiteral("无法连接打印服务，打印机“%1”没有收到作业");
                break;
            default:
                why = QStringLiteral("打印机“%1”的打印服务拒绝了作业");
                break;
        }
        return QStringLiteral("打印服务没有接受这份汇款单：%1（打印服务：%2）。")
            .arg(why.arg(printerName_), lastAnswer());
    }
    // The document's job: the newest of this user's jobs on the queue under its title, made since
    // the watch began.
    const Job* ours = nullptr;
    const std::vector<Job> jobs = userJobs(queueOf(printerName_));
    for (const Job& job : jobs) {
        if (job.id > newestBefore_ && job.name == title_.toUtf8() && (!ours || job.id > ours->id)) {
            ours = &job;
        }
    }
    if (!ours) {
        return QStringLiteral("打印服务中找不到这份汇款单的打印作业，打印机“%1”没有收到它。")
            .arg(printerName_);
    }
    QString what;
    switch (ours->state) {
        case IPP_JSTATE_STOPPED:
            what = QStringLiteral("已停止");
            break;
        case IPP_JSTATE_CANCELED:
            what = QStringLiteral("已被取消");
            break;
        case IPP_JSTATE_ABORTED:
            what = QStringLiteral("已中止");
            break;
        default:
            return {};
    }
    return QStringLiteral(
               "打印机“%1”上这份汇款单的打印作业（第 %2 号）%3，汇款单没有打印出来（打印服务：%4）。")
        .arg(printerName_)
        .arg(ours->id)
        .arg(what, ours->reasons.join(QStringLiteral("，")));
}

}  // namespace velmora
