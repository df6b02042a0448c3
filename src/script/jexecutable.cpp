#include "script/jexecutable.h"

#include <clocale>
#include <locale.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <utility>

#include "platform/convert.h"
#include "script/builtin_dispatch.h"
#include "script/vmvalues.h"

namespace {

// Unwinds the whole run; the text is already in the executable's error text.
struct ScriptRuntimeError {};

// A string result longer than this ends the run instead of exhausting memory.
constexpr std::size_t kMaxStringBytes = std::size_t(1) << 28;

const char* const kErrCompare = "関数 %s で不正な論理演算";
const char* const kErrAdd = "関数 %s で不正な加算";
const char* const kErrSub = "関数 %s で不正な減算";
const char* const kErrMul = "関数 %s で不正な乗算";
const char* const kErrDiv = "関数 %s で不正な除算";
const char* const kErrDivZero = "関数 %s で 0 による除算";
const char* const kErrMod = "関数 %s で不正な剰余算";
const char* const kErrModZero = "関数 %s で 0 による剰余算";
const char* const kErrNot = "関数 %s で整数以外の論理反転";
const char* const kErrBitNot = "関数 %s で整数以外のビット反転";
const char* const kErrBitAnd = "関数 %s で不正な論理積";
const char* const kErrBitOr = "関数 %s で不正な論理和";
const char* const kErrBitXor = "関数 %s で不正な排他的論理和";
const char* const kErrShl = "関数 %s で不正な左シフト";
const char* const kErrShr = "関数 %s で不正な右シフト";
const char* const kErrToInteger = "関数 %s で不正な integer キャスト";
const char* const kErrToFloating = "関数 %s で不正な floating キャスト";
const char* const kErrIndex = "func name=%s: ";
const char* const kErrIndexRange = "関数 %s で配列の範囲外を参照 (添字 %d)";
const char* const kErrStringLength = "関数 %s で文字列が長すぎます";
const char* const kErrBadCode = "関数 %s で不正な命令";
const char* const kErrStackOverflow = "stack overflow";

inline bool IsNumber(std::uint8_t kind) { return kind == dtInteger || kind == dtFloating; }
inline double AsDouble(const TStackData& c) { return c.kind == dtInteger ? double(c.ival) : c.fval; }

// Three-way comparison of two non-reference values.
int CompareValues(const TStackData& l, const TStackData& r) {
  if (l.kind == dtInteger && r.kind == dtInteger) return (l.ival > r.ival) - (l.ival < r.ival);
  if (IsNumber(l.kind) && IsNumber(r.kind)) {
    double a = AsDouble(l), b = AsDouble(r);
    return (a > b) - (a < b);
  }
  if (l.kind == dtString && r.kind == dtString) return l.sval.compare(r.sval);
  if (l.kind == dtString) {
    std::string t;
    AppendValueText(t, r);
    return l.sval.compare(t);
  }
  std::string t;
  AppendValueText(t, l);
  return t.compare(r.sval);
}

// One printf conversion rebuilt from what a script wrote: flags, width and
// precision kept (held to sane sizes), everything else dropped, so the
// argument always matches the conversion.
std::string FormatConversion(const std::string& spec, char conv, const TStackData& arg) {
  std::string flags;
  int width = -1, precision = -1;
  std::size_t i = 1;  // after '%'
  // Flags, width, precision in printf order; other bytes (length letters,
  // '*', unsupported letters) are skipped wherever they stand.
  int state = 0;  // 0 flags, 1 width, 2 precision
  for (; i + 1 < spec.size() + 1 && i < spec.size(); ++i) {
    char c = spec[i];
    if (state == 0 && (c == '-' || c == '+' || c == ' ' || c == '#' || c == '0')) {
      if (flags.find(c) == std::string::npos) flags += c;
      continue;
    }
    if (c >= '0' && c <= '9') {
      int& n = state == 2 ? precision : width;
      if (state == 0) state = 1;
      if (n < 0) n = 0;
      if (n < 4096) n = n * 10 + (c - '0');
      continue;
    }
    if (c == '.') {
      state = 2;
      if (precision < 0) precision = 0;
      continue;
    }
    if (state == 0) state = 1;
  }
  if (width > 4096) width = 4096;
  if (precision > 4096) precision = 4096;
  std::string fmt = "%" + flags;
  if (width >= 0) fmt += std::to_string(width);
  if (precision >= 0) fmt += "." + std::to_string(precision);
  fmt += conv;

  char stackBuf[256];
  auto emit = [&](auto value) {
    int n = std::snprintf(stackBuf, sizeof stackBuf, fmt.c_str(), value);
    if (n < 0) return std::string();
    if (static_cast<std::size_t>(n) < sizeof stackBuf) return std::string(stackBuf, n);
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(&big[0], big.size(), fmt.c_str(), value);
    big.resize(n);
    return big;
  };
  // A value of another kind is converted: a cell's other fields hold
  // whatever an earlier value left there and must never reach the text.
  auto integer = [&]() -> std::int32_t {
    std::int32_t v = 0;
    if (arg.kind == dtInteger) return arg.ival;
    if (arg.kind == dtFloating) return TruncateToInteger(arg.fval);
    if (arg.kind == dtString && ParseIntegerText(arg.sval, v)) return v;
    return 0;
  };
  switch (conv) {
    case 'd':
    case 'i': return emit(static_cast<int>(integer()));
    case 'o':
    case 'u':
    case 'x':
    case 'X': return emit(static_cast<unsigned>(integer()));
    case 's': {
      if (arg.kind == dtString) return emit(arg.sval.c_str());
      std::string text;
      AppendValueText(text, arg);
      return emit(text.c_str());
    }
    default: {  // f e g E G
      double v = 0.0;
      if (arg.kind == dtFloating) v = arg.fval;
      else if (arg.kind == dtInteger) v = arg.ival;
      else if (arg.kind == dtString && !ParseFloatingText(arg.sval, v)) v = 0.0;
      return emit(v);
    }
  }
}

// The script thread formats numbers with "." whatever locale the program runs in.
class CLocaleScope {
 public:
  CLocaleScope() : c_(newlocale(LC_ALL_MASK, "C", locale_t(0))) {
    if (c_) old_ = uselocale(c_);
  }
  ~CLocaleScope() {
    if (c_) {
      uselocale(old_);
      freelocale(c_);
    }
  }
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

 private:
  locale_t c_;
  locale_t old_ = locale_t(0);
};

}  // namespace

TJExecutable::TJExecutable(int stackSize, ScriptHost* host)
    : host_(host ? host : &GetScriptHost()),
      gui_(host_->CreateGuiThread()),
      window_(host_->CreateScriptWindow()),
      stack_(static_cast<std::size_t>(stackSize > 0 ? stackSize : 1)) {
  frames_.reserve(64);
}

TJExecutable::~TJExecutable() {
  Stop();
  if (thread_.joinable()) thread_.join();
}

void TJExecutable::AllocGlobals(int count) {
  globals_.clear();
  globals_.resize(static_cast<std::size_t>(count > 0 ? count : 0));
}

void TJExecutable::ShowWindow() { window_->Show(); }
void TJExecutable::CloseWindow() { window_->Close(); }

void TJExecutable::Continue() {
  if (started_.exchange(true)) return;
  if (stop_.load()) {
    finished_.store(true);
    return;
  }
  thread_ = std::thread([this] { Execute(); });
}

void TJExecutable::Stop() {
  stop_.store(true);
  {
    std::lock_guard<std::mutex> lock(waitMutex_);
  }
  waitCv_.notify_all();
  gui_->Cancel();
}

bool TJExecutable::IsTerminated() const {
  return finished_.load(std::memory_order_acquire) || (stop_.load() && !started_.load());
}

bool TJExecutable::WaitDone() {
  if (thread_.joinable()) thread_.join();
  return exitCode_ == 0;
}

int TJExecutable::RunHere() {
  started_.store(true);
  Execute();
  return exitCode_;
}

bool TJExecutable::OnScriptThread() const { return std::this_thread::get_id() == scriptThread_; }

bool TJExecutable::RunOnMainThread(const std::function<void()>& fn) {
  if (!OnScriptThread()) {
    fn();
    return true;
  }
  return gui_->Run(fn);
}

void TJExecutable::Print(const std::string& text) { SyncPrint(text); }

bool TJExecutable::WaitFor(std::int64_t ms) {
  std::unique_lock<std::mutex> lock(waitMutex_);
  return !waitCv_.wait_for(lock, std::chrono::milliseconds(ms > 0 ? ms : 0), [this] { return stop_.load(); });
}

// The window takes the text from any thread and shows it soon; only a
// script that prints without end waits, so that it cannot outrun the window.
void TJExecutable::SyncPrint(const std::string& text) {
  window_->Print(text);
  if (window_->Behind()) gui_->Run([this] { window_->Flush(); });
}

void TJExecutable::SyncPrintError(const std::string& text) { window_->PrintColored(text, kScriptErrorColor); }

void TJExecutable::Execute() {
  CLocaleScope cLocale;
  scriptThread_ = std::this_thread::get_id();
  exitCode_ = 0;
  bool failed = false;
  try {
    if (entry_) Interpret(entry_);
  } catch (const ScriptRuntimeError&) {
    failed = true;
  } catch (const std::bad_alloc&) {
    errorText_ = "RUNTIME ERROR: out of memory";
    failed = true;
  } catch (...) {
    failed = true;
  }
  if (failed) {
    printBuffer_ = errorText_;
    SyncPrintError(printBuffer_);
    exitCode_ = 1;
  }
  window_->Ended();
  finished_.store(true, std::memory_order_release);
}

void TJExecutable::RuntimeError(const std::string& message) {
  errorText_ = "RUNTIME ERROR: " + message;
  throw ScriptRuntimeError{};
}

void TJExecutable::OperationError(const char* format, const funcdata* func) {
  RuntimeError(platform::Format(format, func ? func->name.c_str() : ""));
}

void TJExecutable::CallBuiltin(std::int32_t id, TStackData* args, vmcode_t* result) {
  if (!IsMainThreadBuiltin(id)) {
    DispatchBuiltin(id, args, result, *this);
    return;
  }
  std::exception_ptr error;
  gui_->Run([&] {
    try {
      DispatchBuiltin(id, args, result, *this);
    } catch (...) {
      error = std::current_exception();
    }
  });
  if (error) std::rethrow_exception(error);
}

void TJExecutable::DoPrint(TStackData* args, int count, vmcode_t* result) {
  std::string text;
  printBuffer_.clear();
  char buf[64];
  for (int i = 0; i < count; ++i) {
    const TStackData& arg = args[i];
    switch (arg.kind) {
      case dtInteger: AppendIntegerText(printBuffer_, arg.ival); break;
      case dtFloating: {
        int n = std::snprintf(buf, sizeof buf, "%f", arg.fval);
        if (n >= 0 && static_cast<std::size_t>(n) < sizeof buf) {
          printBuffer_.append(buf, n);
        } else if (n >= 0) {
          std::string big(static_cast<std::size_t>(n) + 1, '\0');
          std::snprintf(&big[0], big.size(), "%f", arg.fval);
          printBuffer_.append(big.data(), n);
        }
        break;
      }
      case dtString: {
        const std::string& s = arg.sval;
        std::size_t from = 0;
        for (std::size_t lf; (lf = s.find('\n', from)) != std::string::npos; from = lf + 1) {
          printBuffer_.append(s, from, lf + 1 - from);
          SyncPrint(printBuffer_);
          text += printBuffer_;
          printBuffer_.clear();
        }
        printBuffer_.append(s, from, std::string::npos);
        break;
      }
      default: break;
    }
  }
  SyncPrint(printBuffer_);
  text += printBuffer_;
  if (result) result->sval = std::move(text);
}

void TJExecutable::DoStrPrintf(TStackData* args, int count, vmcode_t* result, const funcdata* func) {
  std::string out;
  if (count > 0) {
    const std::string& format = args[0].sval;
    int next = 1;
    const std::size_t n = format.size();
    for (std::size_t i = 0; i < n; ++i) {
      char c = format[i];
      if (c != '%' || next >= count) {
        out += c;
        continue;
      }
      std::size_t start = i;
      for (++i; i < n; ++i) {
        char t = format[i];
        if (t == '%') {
          out += '%';
          break;
        }
        // strchr finds the terminator too: a zero byte is no conversion.
        if (t != '\0' && std::strchr("diouxXfegEGs", t)) {
          const std::string piece = FormatConversion(format.substr(start, i - start), t, args[next++]);
          if (out.size() + piece.size() > kMaxStringBytes) OperationError(kErrStringLength, func);
          out += piece;
          break;
        }
      }
    }
  }
  if (result) result->sval = std::move(out);
}

void TJExecutable::Interpret(funcdata* entry) {
  TStackData* const stackBase = stack_.data();
  TStackData* const limit = stackBase + stack_.size();
  TStackData* const globals = globals_.data();
  const std::size_t maxDepth = stack_.size();
  TStackData* top = stackBase;
  TStackData* base = stackBase;
  funcdata* fn = nullptr;
  vmcode_t* pc = nullptr;
  frames_.clear();

  auto overflow = [&]() { RuntimeError(kErrStackOverflow); };
  // Starts f on the arguments that lie on the stack.
  auto enter = [&](funcdata* f) {
    base = top - f->paramCount;
    TStackData* frameTop = base + f->frameCells;
    if (base < stackBase || frameTop > limit) overflow();
    for (TStackData* c = base + f->paramCount; c < frameTop; ++c) {
      c->kind = dtInteger;
      c->ival = 0;
      c->fval = 0.0;
      c->ref = nullptr;
      c->refCells = 0;
      c->sval.clear();
    }
    top = frameTop;
    fn = f;
    pc = f->entry;
  };
  // The cell an opPushRef/opPushRefAlt addresses; the index, for the array
  // kinds, is popped first. remaining: cells from there to the array's end.
  auto address = [&](const vmcode_t* code, std::int32_t& remaining) -> TStackData* {
    const std::int32_t kind = code->b;
    if (kind == vkFrameVar) {
      remaining = 1;
      return base + code->a;
    }
    if (kind == vkGlobalVar) {
      remaining = 1;
      return globals + code->a;
    }
    const TStackData& indexCell = *--top;
    if (indexCell.kind != dtInteger) OperationError(kErrIndex, fn);
    const std::int32_t index = indexCell.ival;
    TStackData* first;
    std::int32_t cells;
    if (kind == vkFrameArray) {
      first = base + code->a;
      cells = code->cells;
    } else if (kind == vkGlobalArray) {
      first = globals + code->a;
      cells = code->cells;
    } else {
      const TStackData& param = base[code->a];
      if (param.kind != dtReference || !param.ref) OperationError(kErrBadCode, fn);
      first = param.ref;
      cells = param.refCells;
    }
    if (index < 0 || index >= cells) RuntimeError(platform::Format(kErrIndexRange, fn->name.c_str(), index));
    remaining = cells - index;
    return first + index;
  };

  if (entry->paramCount != 0) OperationError(kErrBadCode, entry);
  enter(entry);

  for (;;) {
    if (stop_.load(std::memory_order_relaxed)) return;
    vmcode_t* const code = pc;
    switch (code->op) {
      case opPushRef: {
        std::int32_t remaining;
        TStackData* cell = address(code, remaining);
        if (top >= limit) overflow();
        CopyCell(*top++, *cell);
        break;
      }
      case opPushRefAlt: {
        std::int32_t remaining;
        TStackData* cell = address(code, remaining);
        if (top >= limit) overflow();
        top->kind = dtReference;
        top->ref = cell;
        top->refCells = remaining;
        ++top;
        break;
      }
      case opPushConst:
        switch (code->a) {
          case pcInteger:
            if (top >= limit) overflow();
            top->kind = dtInteger;
            top->ival = code->b;
            ++top;
            break;
          case pcFloating:
            if (top >= limit) overflow();
            top->kind = dtFloating;
            top->fval = code->fval;
            ++top;
            break;
          case pcString:
            if (top >= limit) overflow();
            top->kind = dtString;
            top->sval = code->sval;
            ++top;
            break;
          default: break;
        }
        break;
      case opPop: --top; break;
      case opAssign: {
        TStackData& value = top[-1];
        TStackData& target = top[-2];
        if (target.kind != dtReference || !target.ref) OperationError(kErrBadCode, fn);
        CopyCell(*target.ref, value);
        CopyCell(target, value);
        --top;
        break;
      }
      case opAdd: {
        TStackData& l = top[-2];
        const TStackData& r = top[-1];
        --top;
        if ((l.kind | r.kind) == dtInteger) {
          l.ival = static_cast<std::int32_t>(static_cast<std::uint32_t>(l.ival) + static_cast<std::uint32_t>(r.ival));
        } else if (IsNumber(l.kind) && IsNumber(r.kind)) {
          l.fval = AsDouble(l) + AsDouble(r);
          l.kind = dtFloating;
        } else if (l.kind == dtString) {
          // The cap is checked before the string grows.
          if (r.kind == dtString) {
            if (l.sval.size() + r.sval.size() > kMaxStringBytes) OperationError(kErrStringLength, fn);
            l.sval += r.sval;
          } else {
            std::string tail;
            AppendValueText(tail, r);
            if (l.sval.size() + tail.size() > kMaxStringBytes) OperationError(kErrStringLength, fn);
            l.sval += tail;
          }
        } else if (r.kind == dtString) {
          std::string text;
          AppendValueText(text, l);
          if (text.size() + r.sval.size() > kMaxStringBytes) OperationError(kErrStringLength, fn);
          text += r.sval;
          l.sval = std::move(text);
          l.kind = dtString;
        } else {
          OperationError(kErrAdd, fn);  // a reference: never compiled
        }
        break;
      }
      case opSub: {
        TStackData& l = top[-2];
        const TStackData& r = top[-1];
        --top;
        if ((l.kind | r.kind) == dtInteger) {
          l.ival = static_cast<std::int32_t>(static_cast<std::uint32_t>(l.ival) - static_cast<std::uint32_t>(r.ival));
        } else if (IsNumber(l.kind) && IsNumber(r.kind)) {
          l.fval = AsDouble(l) - AsDouble(r);
          l.kind = dtFloating;
        } else {
          OperationError(kErrSub, fn);
        }
        break;
      }
      case opMul: {
        TStackData& l = top[-2];
        const TStackData& r = top[-1];
        --top;
        if ((l.kind | r.kind) == dtInteger) {
          l.ival = static_cast<std::int32_t>(static_cast<std::uint32_t>(l.ival) * static_cast<std::uint32_t>(r.ival));
        } else if (IsNumber(l.kind) && IsNumber(r.kind)) {
          l.fval = AsDouble(l) * AsDouble(r);
          l.kind = dtFloating;
        } else if (l.kind == dtString && r.kind == dtInteger) {
          if (r.ival <= 0 || l.sval.empty()) {
            l.sval.clear();
          } else {
            if (l.sval.size() > kMaxStringBytes / static_cast<std::uint32_t>(r.ival)) OperationError(kErrStringLength, fn);
            const std::size_t unit = l.sval.size();
            l.sval.reserve(unit * static_cast<std::size_t>(r.ival));
            for (std::int32_t k = 1; k < r.ival; ++k) l.sval.append(l.sval.data(), unit);
          }
        } else {
          OperationError(kErrMul, fn);
        }
        break;
      }
      case opDiv: {
        TStackData& l = top[-2];
        const TStackData& r = top[-1];
        --top;
        if ((l.kind | r.kind) == dtInteger) {
          if (r.ival == 0) OperationError(kErrDivZero, fn);
          // INT_MIN / -1 wraps to INT_MIN.
          l.ival = r.ival == -1 ? static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(l.ival)) : l.ival / r.ival;
        } else if (IsNumber(l.kind) && IsNumber(r.kind)) {
          double d = AsDouble(r);
          if (d == 0.0) OperationError(kErrDivZero, fn);
          l.fval = AsDouble(l) / d;
          l.kind = dtFloating;
        } else {
          OperationError(kErrDiv, fn);
        }
        break;
      }
      case opMod: {
        TStackData& l = top[-2];
        const TStackData& r = top[-1];
        --top;
        if (!IsNumber(l.kind) || !IsNumber(r.kind)) OperationError(kErrMod, fn);
        std::int32_t a = l.kind == dtInteger ? l.ival : TruncateToInteger(l.fval);
        std::int32_t b = r.kind == dtInteger ? r.ival : TruncateToInteger(r.fval);
        if (b == 0) OperationError(kErrModZero, fn);
        l.ival = b == -1 ? 0 : a % b;
        l.kind = dtInteger;
        break;
      }
      case opNeg: {
        TStackData& v = top[-1];
        if (v.kind == dtInteger) v.ival = static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(v.ival));
        else if (v.kind == dtFloating) v.fval = -v.fval;
        else if (v.kind == dtString) std::string(v.sval.rbegin(), v.sval.rend()).swap(v.sval);
        break;
      }
      case opCompare: {
        TStackData& l = top[-2];
        const TStackData& r = top[-1];
        top -= 2;
        if (l.kind == dtReference || r.kind == dtReference) OperationError(kErrCompare, fn);
        int cmp = CompareValues(l, r);
        bool holds;
        switch (code->a) {
          case 42: holds = cmp == 0; break;
          case 43: holds = cmp != 0; break;
          case 44: holds = cmp < 0; break;
          case 45: holds = cmp <= 0; break;
          case 46: holds = cmp > 0; break;
          case 47: holds = cmp >= 0; break;
          default: goto next;  // nothing pushed
        }
        l.kind = dtInteger;
        l.ival = holds ? 1 : 0;
        ++top;
        break;
      }
      case opNot: {
        TStackData& v = top[-1];
        if (v.kind != dtInteger) OperationError(kErrNot, fn);
        v.ival = v.ival == 0 ? 1 : 0;
        break;
      }
      case opBitAnd:
      case opBitOr:
      case opBitXor:
      case opShl:
      case opShr: {
        TStackData& l = top[-2];
        const TStackData& r = top[-1];
        --top;
        if ((l.kind | r.kind) != dtInteger) {
          OperationError(code->op == opBitAnd  ? kErrBitAnd
                         : code->op == opBitOr ? kErrBitOr
                         : code->op == opBitXor ? kErrBitXor
                         : code->op == opShl    ? kErrShl
                                                : kErrShr,
                         fn);
        }
        const std::uint32_t a = static_cast<std::uint32_t>(l.ival);
        const std::uint32_t b = static_cast<std::uint32_t>(r.ival);
        switch (code->op) {
          case opBitAnd: l.ival = static_cast<std::int32_t>(a & b); break;
          case opBitOr: l.ival = static_cast<std::int32_t>(a | b); break;
          case opBitXor: l.ival = static_cast<std::int32_t>(a ^ b); break;
          case opShl: l.ival = static_cast<std::int32_t>(a << (b & 31)); break;
          default: l.ival = l.ival >> (b & 31); break;  // arithmetic shift
        }
        break;
      }
      case opBitNot: {
        TStackData& v = top[-1];
        if (v.kind != dtInteger) OperationError(kErrBitNot, fn);
        v.ival = ~v.ival;
        break;
      }
      case opReturn: {
        CopyCell(returnCell_, top[-1]);
        top = base;
        if (top >= limit) overflow();  // a frame without cells at the very top
        CopyCell(*top++, returnCell_);
        if (frames_.empty()) return;
        const CallFrame& caller = frames_.back();
        fn = caller.func;
        base = caller.base;
        pc = caller.call->next;
        frames_.pop_back();
        continue;
      }
      case opJump: pc = code->target; continue;
      case opJumpFalse: {
        const TStackData& v = *--top;
        if (v.kind == dtInteger && v.ival == 0) {
          if (code->b) {
            top->kind = dtInteger;
            top->ival = 0;
            ++top;
          }
          pc = code->target;
          continue;
        }
        break;
      }
      case opJumpTrue: {
        const TStackData& v = *--top;
        if (!(v.kind == dtInteger && v.ival == 0)) {
          if (code->b) {
            top->kind = dtInteger;
            top->ival = 1;
            ++top;
          }
          pc = code->target;
          continue;
        }
        break;
      }
      case opCall: {
        if (frames_.size() >= maxDepth) overflow();
        frames_.push_back(CallFrame{fn, base, code});
        enter(code->callee);
        continue;
      }
      case opPrint:
      case opStrPrintf: {
        const int count = code->a;
        if (count < 0 || count > top - base) OperationError(kErrBadCode, fn);
        top -= count;
        if (code->op == opPrint) DoPrint(top, count, code->next);
        else DoStrPrintf(top, count, code->next, fn);
        break;
      }
      case opLabel: break;
      case opTypeof: {
        TStackData& v = top[-1];
        v.ival = v.kind;
        v.kind = dtInteger;
        break;
      }
      case opStrLength: {
        TStackData& v = top[-1];
        v.ival = v.kind == dtString ? static_cast<std::int32_t>(v.sval.size()) : 0;
        v.kind = dtInteger;
        break;
      }
      case opToString: {
        TStackData& v = top[-1];
        if (v.kind == dtInteger) {
          v.sval.clear();
          AppendIntegerText(v.sval, v.ival);
        } else if (v.kind == dtFloating) {
          v.sval.clear();
          AppendFloatingText(v.sval, v.fval);
        } else if (v.kind == dtReference) {
          v.sval.clear();
        }
        v.kind = dtString;
        break;
      }
      case opToInteger: {
        TStackData& v = top[-1];
        if (v.kind == dtString) {
          if (!ParseIntegerText(v.sval, v.ival)) OperationError(kErrToInteger, fn);
        } else if (v.kind == dtFloating) {
          v.ival = TruncateToInteger(v.fval);
        } else if (v.kind != dtInteger) {
          OperationError(kErrToInteger, fn);
        }
        v.kind = dtInteger;
        break;
      }
      case opToFloating: {
        TStackData& v = top[-1];
        if (v.kind == dtString) {
          if (!ParseFloatingText(v.sval, v.fval)) OperationError(kErrToFloating, fn);
        } else if (v.kind == dtInteger) {
          v.fval = v.ival;
        } else if (v.kind != dtFloating) {
          OperationError(kErrToFloating, fn);
        }
        v.kind = dtFloating;
        break;
      }
      case opSysGetParam: {
        TStackData& v = top[-1];
        const std::string* found = nullptr;
        if (v.kind == dtString && iniData_) {
          auto it = iniData_->find(v.sval);
          if (it != iniData_->end()) found = &it->second;
        }
        if (found) v.sval = *found;
        else v.sval.clear();
        v.kind = dtString;
        break;
      }
      default:
        if (code->op > opLastVmOp) {
          // Only the prelude's wrappers may call a built-in: their frame is
          // the built-in's argument list and the next instruction its result.
          if (code->line != 0 || !code->next) OperationError(kErrBadCode, fn);
          // A built-in reads the field it needs whatever the argument's kind;
          // give the other fields the argument's own value, so nothing an
          // earlier value left in the cell can reach it.
          for (std::int32_t i = 0; i < fn->paramCount && i < kMaxParams; ++i)
            if (fn->byValue[i]) AlignValueFields(base[i]);
          CallBuiltin(code->op, base, code->next);
        }
        break;
    }
  next:
    pc = code->next;
  }
}
