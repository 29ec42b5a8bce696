#include "core/error_log.h"

#include <cstdio>
#include <cstring>

#include "core/engine_state.h"
#include "core/text.h"
#include "platform/platform.h"

namespace {

// Appends one entry: "(" asctime-with-its-newline ")" "ZunoErr[code]:" " " text "\n",
// in one write so entries of two processes never interleave. Best effort: when the
// private temporary folder is refused or the log cannot be opened the entry is lost
// and the last error stays; a refusal is not recorded, as that would log again.
void append_log_entry(int code, const char *text) {
  std::string folder = plat::temp_dir();
  if (folder.empty()) return;
  std::string when = plat::local_time_text(plat::now());
  char prefix[32];
  snprintf(prefix, sizeof prefix, "ZunoErr[%d]:", code);
  std::string entry = std::string("(") + when + ")" + prefix + " " + text + "\n";
  plat::append_file(join_path(folder, "zunoerr.log"), entry);
}

}  // namespace

extern "C" int ZunoErr(int code, char *text) {
  EngineState &e = engine();
  if (code == 0) {
    if (text) {
      char *area = text;
      ZunoGetLastErr(&area);  // bounded to ZUNO_BUFSIZE like every caller's area
    }
    return e.last_code;
  }
  e.last_code = code;
  std::string message = text ? std::string(text) : plat::error_text(code);
  // The recorder must not recurse into itself when the message is overlong.
  size_t n = message.size() < sizeof e.last_error ? message.size() : sizeof e.last_error - 1;
  memcpy(e.last_error, message.data(), n);
  e.last_error[n] = '\0';
  append_log_entry(code, message.c_str());
  return 0;
}

extern "C" const char *ZunoGetLastErr(char **buffer) {
  EngineState &e = engine();
  if (buffer && *buffer) {
    size_t n = strnlen(e.last_error, ZUNO_BUFSIZE - 1);
    // Keep a cut text valid UTF-8 for the front end.
    while (n > 0 && n < strlen(e.last_error) && (static_cast<unsigned char>(e.last_error[n]) & 0xC0) == 0x80)
      --n;
    memcpy(*buffer, e.last_error, n);
    (*buffer)[n] = '\0';
  }
  return e.last_error;
}

int record_error(const std::string &text) {
  ZunoErr(-1, const_cast<char *>(text.c_str()));
  return -1;
}

int record_errno(int err) {
  ZunoErr(err ? err : -1, nullptr);
  return -1;
}

extern "C" int ZunoSetProgressProc(ZunoTotalProc total, ZunoVoidProc step, ZunoVoidProc poll,
                                   ZunoVoidProc tick) {
  ZunoRecord &r = engine().rec;
  r.TotalProc = total;
  r.StepProc = step;
  r.PollProc = poll;
  r.TickProc = tick;
  return 0;
}

extern "C" void ZunoCallProgress(int value) {
  ZunoRecord &r = engine().rec;
  if (r.StepProc && value != 0) r.StepProc();
  if (r.TickProc) r.TickProc();
}

extern "C" int ZunoSleep(void) {
  EngineState &e = engine();
  if (e.rec.CpuPriority >= 100) return 0;
  if (e.yield_countdown <= 0) {
    e.yield_countdown = e.rec.CpuPriority;
    plat::yield_cpu();  // no fixed sleep: a run on an idle machine goes at full speed
    if (e.rec.PollProc) e.rec.PollProc();
    if (e.abort_flag == 1) record_error("ユーザーによる中断要求");
  } else {
    --e.yield_countdown;
  }
  return e.abort_flag;
}

extern "C" int ZunoAbortReq(void) {
  engine().abort_flag = 1;
  return 0;
}
