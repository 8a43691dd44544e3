// The controller's log.
#include "sim/controller.h"
#include "sim/internal.h"

namespace vantel::link::sim {

void SimController::CompleteLog(Job& job) {
    const std::int16_t h = job.handle;
    switch (job.call) {
        case CallId::LogAddItem: {
            const StringArray& params = Arg<CallId::LogAddItem, 7>(job);
            const BoolArray& flags = Arg<CallId::LogAddItem, 8>(job);
            const std::int32_t number =
                m_log.AddItem(Stamp(), Arg<CallId::LogAddItem, 0>(job), Arg<CallId::LogAddItem, 1>(job), Arg<CallId::LogAddItem, 2>(job), Arg<CallId::LogAddItem, 3>(job), Arg<CallId::LogAddItem, 4>(job), Arg<CallId::LogAddItem, 5>(job),
                              Arg<CallId::LogAddItem, 6>(job), params, std::vector<bool>(flags.begin(), flags.end()), Arg<CallId::LogAddItem, 9>(job),
                              static_cast<std::int32_t>(Arg<CallId::LogAddItem, 10>(job)), static_cast<std::int32_t>(Arg<CallId::LogAddItem, 11>(job)));
            return FinishWith(h, {std::int64_t{number}});
        }
        case CallId::AddLogEntry:
            m_log.AddEntry(Stamp(), Arg<CallId::AddLogEntry, 0>(job), Arg<CallId::AddLogEntry, 1>(job), Arg<CallId::AddLogEntry, 2>(job), Arg<CallId::AddLogEntry, 3>(job), Arg<CallId::AddLogEntry, 4>(job), Arg<CallId::AddLogEntry, 5>(job), Arg<CallId::AddLogEntry, 6>(job),
                           Arg<CallId::AddLogEntry, 7>(job), Arg<CallId::AddLogEntry, 8>(job), static_cast<std::int32_t>(Arg<CallId::AddLogEntry, 9>(job)));
            return Finish(h, 1);
        case CallId::LogOCGetItem: {
            const LogRecord* r = m_log.Find(Arg<CallId::LogOCGetItem, 0>(job));
            if (r == nullptr) return Finish(h, 0);
            return FinishWith(h, {std::int64_t{r->number}, Stamped{r->stamp}, std::int64_t{static_cast<std::int32_t>(r->kind)},
                                  r->origin, r->module, std::int64_t{r->code}, std::int64_t{r->level}, r->text1, r->text2,
                                  r->text3, StringArray(r->params), BoolArray(r->flags.begin(), r->flags.end()), r->marker,
                                  std::int64_t{r->logClass}, std::int64_t{r->logType}});
        }
        case CallId::FlushLog: m_log.Flush(Stamp()); return Finish(h, 1);
        case CallId::GetLogHeader: return FinishWith(h, {StringArray(m_log.Header())});
        case CallId::LogGetConfig: return FinishWith(h, {std::int64_t{m_log.Config()}});
        case CallId::LogSetConfig: return Finish(h, m_log.SetConfig(Arg<CallId::LogSetConfig, 0>(job)) ? 1 : 0);
        case CallId::GetLogEntries: {
            const auto lines = m_log.Lines(Arg<CallId::GetLogEntries, 0>(job), Arg<CallId::GetLogEntries, 1>(job));
            if (!lines) return Finish(h, 0);
            return FinishWith(h, {StringArray(*lines)});
        }
        default: return Finish(h, 0);
    }
}

}  // namespace vantel::link::sim
