#include "pulseoutput.h"

#include "zelkalog.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/volume.h>

#include <chrono>
#include <dlfcn.h>
#include <memory>
#include <string_view>

namespace {

constexpr char fileName[] = "libpulse.so.0";

struct PulseApi {
    decltype(&pa_mainloop_new) mainloopNew = nullptr;
    decltype(&pa_mainloop_get_api) mainloopApi = nullptr;
    decltype(&pa_mainloop_prepare) prepare = nullptr;
    decltype(&pa_mainloop_poll) poll = nullptr;
    decltype(&pa_mainloop_dispatch) dispatch = nullptr;
    decltype(&pa_mainloop_free) mainloopFree = nullptr;
    decltype(&pa_context_new) contextNew = nullptr;
    decltype(&pa_context_connect) connect = nullptr;
    decltype(&pa_context_get_state) state = nullptr;
    decltype(&pa_context_disconnect) disconnect = nullptr;
    decltype(&pa_context_unref) contextUnref = nullptr;
    decltype(&pa_context_get_server_info) serverInfo = nullptr;
    decltype(&pa_context_get_sink_info_by_name) sinkInfo = nullptr;
    decltype(&pa_operation_unref) operationUnref = nullptr;
    decltype(&pa_cvolume_max) volumeMax = nullptr;
};

// Loaded at the first question, on its worker; null when the library cannot be had.
const PulseApi *pulse()
{
    static const PulseApi *const loaded = []() -> const PulseApi * {
        void *library = ::dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            qCWarning(zelkaLog).noquote() << "cannot tell whether alarms can be heard:"
                                          << QString::fromLocal8Bit(::dlerror());
            return nullptr;
        }
        static PulseApi api;
        bool complete = true;
        const auto resolve = [&](auto &function, const char *name) {
            *reinterpret_cast<void **>(&function) = ::dlsym(library, name);
            complete = complete && function;
        };
        resolve(api.mainloopNew, "pa_mainloop_new");
        resolve(api.mainloopApi, "pa_mainloop_get_api");
        resolve(api.prepare, "pa_mainloop_prepare");
        resolve(api.poll, "pa_mainloop_poll");
        resolve(api.dispatch, "pa_mainloop_dispatch");
        resolve(api.mainloopFree, "pa_mainloop_free");
        resolve(api.contextNew, "pa_context_new");
        resolve(api.connect, "pa_context_connect");
        resolve(api.state, "pa_context_get_state");
        resolve(api.disconnect, "pa_context_disconnect");
        resolve(api.contextUnref, "pa_context_unref");
        resolve(api.serverInfo, "pa_context_get_server_info");
        resolve(api.sinkInfo, "pa_context_get_sink_info_by_name");
        resolve(api.operationUnref, "pa_operation_unref");
        resolve(api.volumeMax, "pa_cvolume_max");
        if (!complete)
            qCWarning(zelkaLog) << "cannot tell whether alarms can be heard:" << fileName
                                << "lacks a function";
        return complete ? &api : nullptr;
    }();
    return loaded;
}

struct Question {
    const PulseApi &pa;
    bool asked = false;
    bool done = false;
    std::optional<AudibleCheck::Output> answer;
};

void onSink(pa_context *, const pa_sink_info *info, int eol, void *data)
{
    Question &q = *static_cast<Question *>(data);
    if (info)
        q.answer = AudibleCheck::Output{true, info->mute != 0,
                                        double(q.pa.volumeMax(&info->volume)) / PA_VOLUME_NORM};
    // A default sink the server cannot find (PipeWire names one while it has none) is none.
    if (eol != 0) {
        if (!q.answer)
            q.answer = AudibleCheck::Output{};
        q.done = true;
    }
}

void onServer(pa_context *context, const pa_server_info *info, void *data)
{
    Question &q = *static_cast<Question *>(data);
    if (!info) {
        q.done = true;
        return;
    }
    // PulseAudio stands a null sink of that name in for the devices it does not have.
    const std::string_view sink = info->default_sink_name ? info->default_sink_name : "";
    if (sink.empty() || sink == "auto_null") {
        q.answer = AudibleCheck::Output{};
        q.done = true;
        return;
    }
    if (pa_operation *op = q.pa.sinkInfo(context, info->default_sink_name, onSink, data))
        q.pa.operationUnref(op);
    else
        q.done = true;
}

// One connection, closed before it returns; none of the answer when the bound passes.
std::optional<AudibleCheck::Output> askServer()
{
    const PulseApi *pa = pulse();
    if (!pa)
        return std::nullopt;
    using std::chrono::steady_clock;
    const auto deadline = steady_clock::now() + std::chrono::milliseconds(PulseOutput::boundMs);
    pa_mainloop *loop = pa->mainloopNew();
    if (!loop)
        return std::nullopt;
    Question q{*pa, false, false, std::nullopt};
    pa_context *context = pa->contextNew(pa->mainloopApi(loop), "Zelka!");
    // A clock must not start a sound server of its own.
    if (context && pa->connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        while (!q.done) {
            const pa_context_state_t state = pa->state(context);
            if (!PA_CONTEXT_IS_GOOD(state))
                break;
            if (state == PA_CONTEXT_READY && !q.asked) {
                q.asked = true;
                pa_operation *op = pa->serverInfo(context, onServer, &q);
                if (!op)
                    break;
                pa->operationUnref(op);
            }
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
                deadline - steady_clock::now());
            if (left.count() <= 0 || pa->prepare(loop, int(left.count())) < 0 ||
                pa->poll(loop) < 0 || pa->dispatch(loop) < 0)
                break;
        }
        pa->disconnect(context);
    }
    if (context)
        pa->contextUnref(context);
    pa->mainloopFree(loop);
    return q.done ? q.answer : std::nullopt;
}

} // namespace

PulseOutput::PulseOutput(QObject *parent) : AudioOutput(parent) {}

PulseOutput::~PulseOutput()
{
    // A worker past its bound is left to end with the process: it holds nothing of ours.
    if (worker && worker->wait(boundMs + 1000))
        delete worker;
}

void PulseOutput::ask()
{
    if (worker)
        return;
    auto answer = std::make_shared<std::optional<AudibleCheck::Output>>();
    worker = QThread::create([answer] { *answer = askServer(); });
    connect(worker, &QThread::finished, this, [this, answer] {
        worker->deleteLater();
        worker = nullptr;
        Q_EMIT answered(*answer);
    });
    worker->start();
}
