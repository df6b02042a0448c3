#include "script/machine/jexecutable.h"

#include <clocale>
#include <locale.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <utility>

#include "platform/convert.h"
#include "script/machine/builtin_dispatch.h"
#include "script/machine/printfformat.h"
#include "script/machine/vmvalues.h"

namespace {

// Unwinds the whole run; the text is already in the executable's error text.
struct ScriptRuntimeError {};
// Unwinds a run that fails after it was asked to stop: it ends as stopped.
struct ScriptStopped {};

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

// The language has no infinity or NaN: a floating result that overflows is
// the operation's error. Stores a finite result in l.
inline bool Finite(double value, TStackData& l) {
  if (!std::isfinite(value)) return false;
  l.fval = value;
  l.kind = dtFloating;
  return true;
}

// The binary operators on l, the left value, which becomes the result, and r.
// Returns the message format of a failure, before l is changed; null on success.
const char* Binary(std::int32_t op, TStackData& l, const TStackData& r) {
  const bool integers = (l.kind | r.kind) == dtInteger;
  const bool numbers = IsNumber(l.kind) && IsNumber(r.kind);
  const std::uint32_t a = static_cast<std::uint32_t>(l.ival);
  const std::uint32_t b = static_cast<std::uint32_t>(r.ival);
  switch (op) {
    case opAdd:
      if (integers) {
        l.ival = static_cast<std::int32_t>(a + b);
      } else if (numbers) {
        if (!Finite(AsDouble(l) + AsDouble(r), l)) return kErrAdd;
      } else if (l.kind == dtString) {
        if (r.kind == dtString) {
          if (l.sval.size() + r.sval.size() > kMaxStringBytes) return kErrStringLength;
          l.sval += r.sval;
        } else {
          std::string number;
          AppendValueText(number, r);
          if (l.sval.size() + number.size() > kMaxStringBytes) return kErrStringLength;
          l.sval += number;
        }
      } else if (r.kind == dtString) {
        std::string text;
        AppendValueText(text, l);
        if (text.size() + r.sval.size() > kMaxStringBytes) return kErrStringLength;
        text += r.sval;
        l.sval = std::move(text);
        l.kind = dtString;
      } else {
        return kErrAdd;  // a reference: never compiled
      }
      return nullptr;
    case opSub:
      if (integers) {
        l.ival = static_cast<std::int32_t>(a - b);
      } else if (numbers) {
        if (!Finite(AsDouble(l) - AsDouble(r), l)) return kErrSub;
      } else {
        return kErrSub;
      }
      return nullptr;
    case opMul:
      if (integers) {
        l.ival = static_cast<std::int32_t>(a * b);
      } else if (numbers) {
        if (!Finite(AsDouble(l) * AsDouble(r), l)) return kErrMul;
      } else if (l.kind == dtString && r.kind == dtInteger) {
        if (r.ival <= 0 || l.sval.empty()) {
          l.sval.clear();
        } else {
          if (l.sval.size() > kMaxStringBytes / static_cast<std::uint32_t>(r.ival)) return kErrStringLength;
          const std::size_t unit = l.sval.size();
          l.sval.reserve(unit * static_cast<std::size_t>(r.ival));
          for (std::int32_t k = 1; k < r.ival; ++k) l.sval.append(l.sval.data(), unit);
        }
      } else {
        return kErrMul;
      }
      return nullptr;
    case opDiv:
      if (integers) {
        if (r.ival == 0) return kErrDivZero;
        // INT_MIN / -1 wraps to INT_MIN.
        l.ival = r.ival == -1 ? static_cast<std::int32_t>(0u - a) : l.ival / r.ival;
      } else if (numbers) {
        const double d = AsDouble(r);
        if (d == 0.0) return kErrDivZero;
        if (!Finite(AsDouble(l) / d, l)) return kErrDiv;
      } else {
        return kErrDiv;
      }
      return nullptr;
    case opMod: {
      if (!numbers) return kErrMod;
      const std::int32_t x = l.kind == dtInteger ? l.ival : TruncateToInteger(l.fval);
      const std::int32_t y = r.kind == dtInteger ? r.ival : TruncateToInteger(r.fval);
      if (y == 0) return kErrModZero;
      l.ival = y == -1 ? 0 : x % y;
      l.kind = dtInteger;
      return nullptr;
    }
    default: break;
  }
  // The bit operators take integers only.
  if (!integers) {
    return op == opBitAnd ? kErrBitAnd : op == opBitOr ? kErrBitOr : op == opBitXor ? kErrBitXor
           : op == opShl  ? kErrShl
                          : kErrShr;
  }
  switch (op) {
    case opBitAnd: l.ival = static_cast<std::int32_t>(a & b); break;
    case opBitOr: l.ival = static_cast<std::int32_t>(a | b); break;
    case opBitXor: l.ival = static_cast<std::int32_t>(a ^ b); break;
    case opShl: l.ival = static_cast<std::int32_t>(a << (b & 31)); break;
    default: l.ival = l.ival >> (b & 31); break;  // arithmetic shift
  }
  return nullptr;
}

// 32-bit integer arithmetic of the script language: results wrap.
inline std::int32_t WrappingAdd(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
inline std::int32_t WrappingSub(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
inline std::int32_t WrappingMul(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

// An integer constant as a cell, for the slow paths of the superinstructions.
TStackData IntegerCell(std::int32_t value) {
  TStackData cell;
  cell.ival = value;
  return cell;
}

// Whether the relation of mask (see CompareMask) holds for a three-way result
// (any sign, as std::string::compare gives it).
inline bool Holds(int mask, int cmp) { return (mask >> ((cmp > 0) - (cmp < 0) + 1)) & 1; }

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
    : ownHost_(host ? nullptr : std::make_unique<HeadlessScriptHost>()),
      host_(host ? host : ownHost_.get()),
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
  {
    std::lock_guard<std::mutex> lock(waitMutex_);
    paused_ = false;
    attention_.store(stop_.load());
  }
  waitCv_.notify_all();
  if (started_.exchange(true)) return;
  if (stop_.load()) {
    finished_.store(true);
    return;
  }
  thread_ = std::thread([this] { Execute(); });
}

void TJExecutable::Pause() {
  std::lock_guard<std::mutex> lock(waitMutex_);
  paused_ = true;
  attention_.store(true);
}

void TJExecutable::Stop() {
  {
    std::lock_guard<std::mutex> lock(waitMutex_);
    stop_.store(true);
    attention_.store(true);
  }
  waitCv_.notify_all();
  gui_->Cancel();
}

bool TJExecutable::HoldOrEnd() {
  std::unique_lock<std::mutex> lock(waitMutex_);
  waitCv_.wait(lock, [this] { return stop_.load() || !paused_; });
  return stop_.load();
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

// The window takes the text from any thread and shows it soon; it keeps only
// the most recent lines, so a script that prints without end never waits.
void TJExecutable::SyncPrint(const std::string& text) { window_->Print(text); }

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
  } catch (const ScriptStopped&) {
  } catch (const std::bad_alloc&) {
    errorText_ = "RUNTIME ERROR: メモリが足りません";
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
  // The machine notices a stop only at its next call, return or backward
  // jump; an error on the way there must not turn the stop into a failure.
  if (stop_.load(std::memory_order_relaxed)) throw ScriptStopped{};
  errorText_ = "RUNTIME ERROR: " + message;
  throw ScriptRuntimeError{};
}

void TJExecutable::OperationError(const char* format, const funcdata* func) {
  RuntimeError(platform::Format(format, func ? func->name.c_str() : ""));
}

void TJExecutable::CallBuiltin(std::int32_t id, bool mainThread, TStackData* args, vmcode_t* result) {
  if (!mainThread) {
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

void TJExecutable::DoPrint(TStackData* args, int count, std::string& text) {
  text.clear();
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
}

void TJExecutable::DoStrPrintf(TStackData* args, int count, TPrintfFormat& format, std::string& out,
                               const funcdata* func) {
  out.clear();
  if (!format.Format(args, count, out, kMaxStringBytes)) OperationError(kErrStringLength, func);
}

// The interpreter: threaded dispatch where the compiler can take the address of
// a label, a switch elsewhere. Each operation's code ends by going to the next.
#if defined(__GNUC__)
#define VUND_THREADED_DISPATCH 1
#else
#define VUND_THREADED_DISPATCH 0
#endif

void TJExecutable::Interpret(funcdata* entry) {
#if VUND_THREADED_DISPATCH
  static const void* const kLabels[] = {
#define FLAT_OPERATION_LABEL(name, flags) &&op_##name,
      FLAT_OPERATIONS(FLAT_OPERATION_LABEL)
#undef FLAT_OPERATION_LABEL
  };
  static_assert(sizeof kLabels / sizeof kLabels[0] == kFlatOpCount, "one label per operation");
#define OP(name) op_##name:
#define DISPATCH() goto* pc->label
#else
  static const void* const* const kLabels = nullptr;
#define OP(name) case fo##name:
#define DISPATCH() goto dispatch
#endif
#define NEXT()   \
  do {           \
    ++pc;        \
    DISPATCH();  \
  } while (0)
#define JUMP(to) \
  do {           \
    pc = (to);   \
    DISPATCH();  \
  } while (0)
// The stop check: before calls, returns, backward jumps and prints, so every
// loop and every recursion passes it and nothing shows after a stop. A pause
// holds the run there.
#define STOP_CHECK() \
  if (attention_.load(std::memory_order_relaxed) && HoldOrEnd()) return
// The pushes an instruction stands for must fit below the stack's end; those
// of removed reference pushes included, whose cells are then stepped over.
#define NEED() \
  if (limit - top < pc->need) overflow()
#define NEED_THEN_SKIP() \
  do {                   \
    NEED();              \
    top += pc->skip;     \
  } while (0)

  if (entry->paramCount != 0) OperationError(kErrBadCode, entry);
  code_.Build(entry, kLabels);

  TStackData* const stackBase = stack_.data();
  TStackData* const limit = stackBase + stack_.size();
  TStackData* const globals = globals_.data();
  const std::size_t maxDepth = stack_.size();
  TStackData* top = stackBase;
  TStackData* base = stackBase;
  funcdata* fn = nullptr;
  const TFlatInsn* pc = nullptr;
  frames_.clear();

  auto overflow = [&]() { RuntimeError(kErrStackOverflow); };
  // Starts f on the arguments that lie on the stack.
  auto enter = [&](funcdata* f, const TFlatInsn* first) {
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
    pc = first;
  };
  // The cell an indexed opPushRef/opPushRefAlt addresses; the index is popped
  // first. remaining: cells from there to the array's end.
  auto address = [&](const vmcode_t* code, std::int32_t& remaining) -> TStackData* {
    const std::int32_t kind = code->b;
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
  auto binary = [&](std::int32_t op, TStackData& l, const TStackData& r) {
    if (const char* error = Binary(op, l, r)) OperationError(error, fn);
  };
  auto compare = [&](const TStackData& l, const TStackData& r) {
    if (l.kind == dtReference || r.kind == dtReference) OperationError(kErrCompare, fn);
    return CompareValues(l, r);
  };
  // The tests of the superinstructions: a variable with a constant or a variable.
  auto compareLC = [&]() {
    const TStackData& l = base[pc->a];
    return l.kind == dtInteger ? (l.ival > pc->b) - (l.ival < pc->b) : compare(l, IntegerCell(pc->b));
  };
  auto compareLL = [&]() {
    const TStackData& l = base[pc->a];
    const TStackData& r = base[pc->b];
    return (l.kind | r.kind) == dtInteger ? (l.ival > r.ival) - (l.ival < r.ival) : compare(l, r);
  };
  auto reference = [&](TStackData* cell, std::int32_t remaining) {
    top->kind = dtReference;
    top->ref = cell;
    top->refCells = remaining;
    ++top;
  };
  // Integer arithmetic of the superinstructions; anything else takes the
  // general operator on a copy of the variable.
  auto arithmetic = [&](std::int32_t op, const TStackData& l, const TStackData& r) {
    TStackData& out = *top++;
    CopyValue(out, l);
    binary(op, out, r);
  };
  // Returns value (a cell of the ending frame or above it) to the caller;
  // false at the end of the run.
  auto ret = [&](TStackData& value) -> bool {
    CopyValue(returnCell_, value);
    top = base;
    if (top >= limit) overflow();  // a frame without cells at the very top
    if (&value != top) MoveValue(*top, value);
    ++top;
    if (frames_.empty()) return false;
    const CallFrame& caller = frames_.back();
    fn = caller.func;
    base = caller.base;
    pc = caller.next;
    frames_.pop_back();
    return true;
  };

  enter(entry, code_.Entry());

#if VUND_THREADED_DISPATCH
  DISPATCH();
#else
dispatch:
  switch (pc->op) {
#endif

  OP(PushL) {
    NEED_THEN_SKIP();
    CopyValue(*top++, base[pc->a]);
    NEXT();
  }
  OP(PushG) {
    NEED_THEN_SKIP();
    CopyValue(*top++, globals[pc->a]);
    NEXT();
  }
  OP(PushIndexed) {
    std::int32_t remaining;
    TStackData* cell = address(pc->code, remaining);
    if (top >= limit) overflow();
    CopyValue(*top++, *cell);
    NEXT();
  }
  OP(PushRefL) {
    NEED_THEN_SKIP();
    reference(base + pc->a, 1);
    NEXT();
  }
  OP(PushRefG) {
    NEED_THEN_SKIP();
    reference(globals + pc->a, 1);
    NEXT();
  }
  OP(PushRefIndexed) {
    std::int32_t remaining;
    TStackData* cell = address(pc->code, remaining);
    if (top >= limit) overflow();
    reference(cell, remaining);
    NEXT();
  }
  OP(PushInt) {
    NEED_THEN_SKIP();
    top->kind = dtInteger;
    top->ival = pc->a;
    ++top;
    NEXT();
  }
  OP(PushFloat) {
    NEED_THEN_SKIP();
    top->kind = dtFloating;
    top->fval = pc->code->fval;
    ++top;
    NEXT();
  }
  OP(PushStr) {
    NEED_THEN_SKIP();
    top->kind = dtString;
    top->sval = pc->code->sval;
    ++top;
    NEXT();
  }
  OP(PushRecord) {
    // What the instruction holds now: a built-in may have rewritten it.
    const vmcode_t* code = pc->code;
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
    NEXT();
  }
  OP(Reserve) {
    NEED_THEN_SKIP();
    NEXT();
  }
  OP(Pop) {
    --top;
    NEXT();
  }
  OP(Assign) {
    TStackData& value = top[-1];
    TStackData& target = top[-2];
    if (target.kind != dtReference || !target.ref) OperationError(kErrBadCode, fn);
    CopyValue(*target.ref, value);
    MoveValue(target, value);
    --top;
    NEXT();
  }
  OP(AssignPop) {
    TStackData& value = top[-1];
    TStackData& target = top[-2];
    if (target.kind != dtReference || !target.ref) OperationError(kErrBadCode, fn);
    MoveValue(*target.ref, value);
    top -= 2;
    NEXT();
  }
  OP(StoreL) {
    // The value, and below it the free cell of the reference.
    MoveValue(base[pc->a], top[-1]);
    top -= 2;
    NEXT();
  }
  OP(StoreG) {
    MoveValue(globals[pc->a], top[-1]);
    top -= 2;
    NEXT();
  }
  OP(StoreKeepL) {
    CopyValue(base[pc->a], top[-1]);
    MoveValue(top[-2], top[-1]);
    --top;
    NEXT();
  }
  OP(StoreKeepG) {
    CopyValue(globals[pc->a], top[-1]);
    MoveValue(top[-2], top[-1]);
    --top;
    NEXT();
  }
  OP(Add) {
    TStackData& l = top[-2];
    const TStackData& r = top[-1];
    --top;
    if ((l.kind | r.kind) == dtInteger)
      l.ival = WrappingAdd(l.ival, r.ival);
    else
      binary(opAdd, l, r);
    NEXT();
  }
#define BINARY(name)                 \
  OP(name) {                         \
    --top;                           \
    binary(op##name, top[-1], top[0]); \
    NEXT();                          \
  }
  BINARY(Sub)
  BINARY(Mul)
  BINARY(Div)
  BINARY(Mod)
  BINARY(BitAnd)
  BINARY(BitOr)
  BINARY(BitXor)
  BINARY(Shl)
  BINARY(Shr)
#undef BINARY
  OP(Neg) {
    TStackData& v = top[-1];
    if (v.kind == dtInteger) v.ival = static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(v.ival));
    else if (v.kind == dtFloating) v.fval = -v.fval;
    else if (v.kind == dtString) std::string(v.sval.rbegin(), v.sval.rend()).swap(v.sval);
    NEXT();
  }
  OP(Compare) {
    TStackData& l = top[-2];
    const TStackData& r = top[-1];
    top -= 2;
    const int cmp = compare(l, r);
    if (pc->c) {  // an unknown relation pushes nothing
      l.kind = dtInteger;
      l.ival = Holds(pc->c, cmp) ? 1 : 0;
      ++top;
    }
    NEXT();
  }
  OP(Not) {
    TStackData& v = top[-1];
    if (v.kind != dtInteger) OperationError(kErrNot, fn);
    v.ival = v.ival == 0 ? 1 : 0;
    NEXT();
  }
  OP(BitNot) {
    TStackData& v = top[-1];
    if (v.kind != dtInteger) OperationError(kErrBitNot, fn);
    v.ival = ~v.ival;
    NEXT();
  }
  OP(Return) {
    STOP_CHECK();
    if (!ret(top[-1])) return;
    DISPATCH();
  }
  OP(ReturnL) {
    STOP_CHECK();
    NEED();
    if (!ret(base[pc->a])) return;
    DISPATCH();
  }
  OP(ReturnInt) {
    STOP_CHECK();
    NEED();
    TStackData& v = *top++;
    v.kind = dtInteger;
    v.ival = pc->a;
    if (!ret(v)) return;
    DISPATCH();
  }
  OP(Jump) {
    if (pc->back) STOP_CHECK();
    JUMP(pc->target);
  }
  OP(JumpFalse) {
    const TStackData& v = *--top;
    if (v.kind == dtInteger && v.ival == 0) {
      if (pc->b) {
        top->kind = dtInteger;
        top->ival = 0;
        ++top;
      }
      if (pc->back) STOP_CHECK();
      JUMP(pc->target);
    }
    NEXT();
  }
  OP(JumpTrue) {
    const TStackData& v = *--top;
    if (!(v.kind == dtInteger && v.ival == 0)) {
      if (pc->b) {
        top->kind = dtInteger;
        top->ival = 1;
        ++top;
      }
      if (pc->back) STOP_CHECK();
      JUMP(pc->target);
    }
    NEXT();
  }
  OP(Call) {
    STOP_CHECK();
    if (frames_.size() >= maxDepth) overflow();
    frames_.push_back(CallFrame{fn, base, pc + 1});
    enter(pc->callee, pc->other);
    DISPATCH();
  }
  OP(Print)
  OP(StrPrintf) {
    if (pc->op == foPrint) STOP_CHECK();  // nothing is shown after a stop
    const int count = pc->a;
    if (count < 0 || count > top - base) OperationError(kErrBadCode, fn);
    top -= count;
    if (pc->op == foPrint) DoPrint(top, count, textBuffer_);
    else DoStrPrintf(top, count, *pc->format, textBuffer_, fn);
    // The result goes into the next instruction, whatever it is.
    if (pc->code) pc->code->sval.swap(textBuffer_);
    NEXT();
  }
  OP(PrintPush)
  OP(StrPrintfPush) {
    if (pc->op == foPrintPush) STOP_CHECK();
    const int count = pc->a;
    if (count < 0 || count > top - base) OperationError(kErrBadCode, fn);
    top -= count;
    if (pc->op == foPrintPush) DoPrint(top, count, textBuffer_);
    else DoStrPrintf(top, count, *pc->format, textBuffer_, fn);
    top->kind = dtString;
    top->sval.swap(textBuffer_);
    ++top;
    NEXT();
  }
  OP(Nop) { NEXT(); }
  OP(Typeof) {
    TStackData& v = top[-1];
    v.ival = v.kind;
    v.kind = dtInteger;
    NEXT();
  }
  OP(StrLength) {
    TStackData& v = top[-1];
    v.ival = v.kind == dtString ? static_cast<std::int32_t>(v.sval.size()) : 0;
    v.kind = dtInteger;
    NEXT();
  }
  OP(ToString) {
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
    NEXT();
  }
  OP(ToInteger) {
    TStackData& v = top[-1];
    if (v.kind == dtString) {
      if (!ParseIntegerText(v.sval, v.ival)) OperationError(kErrToInteger, fn);
    } else if (v.kind == dtFloating) {
      v.ival = TruncateToInteger(v.fval);
    } else if (v.kind != dtInteger) {
      OperationError(kErrToInteger, fn);
    }
    v.kind = dtInteger;
    NEXT();
  }
  OP(ToFloating) {
    TStackData& v = top[-1];
    if (v.kind == dtString) {
      if (!ParseFloatingText(v.sval, v.fval)) OperationError(kErrToFloating, fn);
    } else if (v.kind == dtInteger) {
      v.fval = v.ival;
    } else if (v.kind != dtFloating) {
      OperationError(kErrToFloating, fn);
    }
    v.kind = dtFloating;
    NEXT();
  }
  OP(SysGetParam) {
    TStackData& v = top[-1];
    const std::string* found = nullptr;
    if (v.kind == dtString && iniData_) {
      auto it = iniData_->find(v.sval);
      if (it != iniData_->end()) found = &it->second;
    }
    if (found) v.sval = *found;
    else v.sval.clear();
    v.kind = dtString;
    NEXT();
  }
  OP(Builtin) {
    // A built-in reads the field it needs whatever the argument's kind; give
    // the other fields the argument's own value, so nothing an earlier value
    // left in the cell can reach it.
    for (std::int32_t i = 0; i < fn->paramCount && i < kMaxParams; ++i)
      if (fn->byValue[i]) AlignValueFields(base[i]);
    CallBuiltin(pc->a, pc->b != 0, base, pc->code);
    NEXT();
  }
  OP(BadCode) { OperationError(kErrBadCode, fn); }
// A variable and a constant, or two variables: integers where that is plain
// integer arithmetic, anything else through the general operator.
#define ARITHMETIC_LC(name, op, plain, value)            \
  OP(name) {                                             \
    NEED_THEN_SKIP();                                    \
    const TStackData& l = base[pc->a];                   \
    const std::int32_t r = pc->b;                        \
    if (l.kind == dtInteger && (plain)) {                \
      top->kind = dtInteger;                             \
      top->ival = (value);                               \
      ++top;                                             \
    } else {                                             \
      arithmetic(op, l, IntegerCell(r));                 \
    }                                                    \
    NEXT();                                              \
  }
#define ARITHMETIC_LL(name, op, value)                   \
  OP(name) {                                             \
    NEED_THEN_SKIP();                                    \
    const TStackData& l = base[pc->a];                   \
    const TStackData& r = base[pc->b];                   \
    if ((l.kind | r.kind) == dtInteger) {                \
      top->kind = dtInteger;                             \
      top->ival = (value);                               \
      ++top;                                             \
    } else {                                             \
      arithmetic(op, l, r);                              \
    }                                                    \
    NEXT();                                              \
  }
  ARITHMETIC_LC(AddLC, opAdd, true, WrappingAdd(l.ival, r))
  ARITHMETIC_LC(SubLC, opSub, true, WrappingSub(l.ival, r))
  ARITHMETIC_LC(MulLC, opMul, true, WrappingMul(l.ival, r))
  ARITHMETIC_LC(DivLC, opDiv, r != 0 && r != -1, l.ival / r)
  ARITHMETIC_LC(ModLC, opMod, r != 0 && r != -1, l.ival % r)
  ARITHMETIC_LL(AddLL, opAdd, WrappingAdd(l.ival, r.ival))
  ARITHMETIC_LL(SubLL, opSub, WrappingSub(l.ival, r.ival))
  ARITHMETIC_LL(MulLL, opMul, WrappingMul(l.ival, r.ival))
#undef ARITHMETIC_LC
#undef ARITHMETIC_LL
  OP(StrLengthL) {
    NEED_THEN_SKIP();
    const TStackData& v = base[pc->a];
    top->ival = v.kind == dtString ? static_cast<std::int32_t>(v.sval.size()) : 0;
    top->kind = dtInteger;
    ++top;
    NEXT();
  }
// Goes on when the test holds, else jumps.
#define JUMP_UNLESS(holds)      \
  do {                          \
    if (holds) NEXT();          \
    if (pc->back) STOP_CHECK(); \
    JUMP(pc->target);           \
  } while (0)
  OP(CmpLCJumpFalse) {
    NEED();
    JUMP_UNLESS(Holds(pc->c, compareLC()));
  }
  OP(CmpLLJumpFalse) {
    NEED();
    JUMP_UNLESS(Holds(pc->c, compareLL()));
  }
  OP(CmpSCJumpFalse) {
    NEED();
    const TStackData& l = *--top;
    JUMP_UNLESS(Holds(pc->c, l.kind == dtInteger ? (l.ival > pc->b) - (l.ival < pc->b) : compare(l, IntegerCell(pc->b))));
  }
  OP(CmpJumpFalse) {
    top -= 2;
    JUMP_UNLESS(Holds(pc->c, compare(top[0], top[1])));
  }
#undef JUMP_UNLESS
  OP(BranchLC) {
    if (pc->back) STOP_CHECK();
    NEED();
    JUMP(Holds(pc->c, compareLC()) ? pc->target : pc->other);
  }
  OP(BranchLL) {
    if (pc->back) STOP_CHECK();
    NEED();
    JUMP(Holds(pc->c, compareLL()) ? pc->target : pc->other);
  }
  OP(OpToL) {
    // The value on the stack was made without touching the variable.
    TStackData& v = base[pc->a];
    const TStackData& r = *--top;
    if (pc->c == opAdd && (v.kind | r.kind) == dtInteger)
      v.ival = WrappingAdd(v.ival, r.ival);
    else
      binary(pc->c, v, r);
    NEXT();
  }
  OP(OpToLC) {
    NEED();
    TStackData& v = base[pc->a];
    if (pc->c == opAdd && v.kind == dtInteger)
      v.ival = WrappingAdd(v.ival, pc->b);
    else
      binary(pc->c, v, IntegerCell(pc->b));
    NEXT();
  }
  OP(OpToLL) {
    NEED();
    binary(pc->c, base[pc->a], base[pc->b]);
    NEXT();
  }

#if !VUND_THREADED_DISPATCH
    default: OperationError(kErrBadCode, fn);
  }
#endif
#undef OP
#undef DISPATCH
#undef NEXT
#undef JUMP
#undef STOP_CHECK
#undef NEED
#undef NEED_THEN_SKIP
}
