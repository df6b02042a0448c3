#include "script/machine/flatcode.h"

#include <algorithm>
#include <climits>
#include <deque>
#include <unordered_map>
#include <unordered_set>

#include "script/machine/builtin_dispatch.h"
#include "script/machine/printfformat.h"

int CompareMask(std::int32_t relation) {
  switch (relation) {
    case 42: return 2;  // ==
    case 43: return 5;  // !=
    case 44: return 1;  // <
    case 45: return 3;  // <=
    case 46: return 4;  // >
    case 47: return 6;  // >=
    default: return 0;
  }
}

namespace {

enum Role : std::uint8_t {
  kPlain,
  kRemoved,    // the reference push of an assignment to a plain variable
  kStore,      // that assignment, followed by the opPop it takes along
  kStoreKeep,  // that assignment, its value left on the stack
  kPopped,     // the opPop of a kStore
};

struct Node {
  vmcode_t* code = nullptr;
  int depth = 0;      // stack depth before it, counted from its chain's start
  bool known = true;  // every stack effect from the chain's start up to it is known
  int pops = 0;
  int pushes = 0;
  Role role = kPlain;
  const vmcode_t* variable = nullptr;  // kStore, kStoreKeep: the removed reference push
};

// Instructions linked by next, from a function's entry or a jump target up to
// the end of the list or an instruction laid out before.
struct Chain {
  std::vector<Node> nodes;
  vmcode_t* continues = nullptr;  // where the last one goes on to when it falls through
};

struct Pattern {
  FlatOp op = foNop;
  int length = 1;  // instructions of the lists it covers
  std::int32_t a = 0, b = 0, c = 0;
  vmcode_t* code = nullptr;
  const vmcode_t* target = nullptr;
  bool jumps = false;  // target is meant (a missing one is bad code)
  funcdata* callee = nullptr;
};

bool IsLocal(const vmcode_t* code) { return code->op == opPushRef && code->b == vkFrameVar; }
bool IsPlainVariable(const vmcode_t* code) { return code->b == vkFrameVar || code->b == vkGlobalVar; }
bool IsBinary(std::int32_t op) {
  return (op >= opAdd && op <= opMod) || op == opBitAnd || op == opBitOr || op == opBitXor || op == opShl ||
         op == opShr;
}
// Pushes that the machine checks against the stack's end.
bool ChecksStack(const vmcode_t* code) {
  return code->op == opPushRef || code->op == opPushRefAlt || (code->op == opPushConst && VmOpPushes(*code) == 1);
}
// The instruction after these receives their result.
bool WritesNext(const vmcode_t* code) {
  return code->op == opPrint || code->op == opStrPrintf || code->op > opLastVmOp;
}

constexpr std::uint8_t kFlatOpFlags[] = {
#define FLAT_OPERATION_FLAGS(name, flags) flags,
    FLAT_OPERATIONS(FLAT_OPERATION_FLAGS)
#undef FLAT_OPERATION_FLAGS
};

bool TakesSkip(FlatOp op) { return kFlatOpFlags[op] & kFlatSkip; }
bool IsPureValue(FlatOp op) { return kFlatOpFlags[op] & kFlatPure; }

FlatOp ArithmeticLC(std::int32_t op) {
  switch (op) {
    case opAdd: return foAddLC;
    case opSub: return foSubLC;
    case opMul: return foMulLC;
    case opDiv: return foDivLC;
    case opMod: return foModLC;
    default: return foNop;
  }
}

FlatOp ArithmeticLL(std::int32_t op) {
  switch (op) {
    case opAdd: return foAddLL;
    case opSub: return foSubLL;
    case opMul: return foMulLL;
    default: return foNop;
  }
}

}  // namespace

class TFlatCode::Builder {
 public:
  explicit Builder(TFlatCode& out) : out_(out) {}

  void Run(funcdata* entry, const void* const* labels) {
    Collect(entry);
    for (Chain& chain : chains_) Measure(chain);
    for (std::size_t ci = 0; ci < chains_.size(); ++ci) FindAssignments(static_cast<int>(ci));
    for (std::size_t ci = 0; ci < chains_.size(); ++ci) Lay(static_cast<int>(ci));
    Resolve(entry, labels);
  }

 private:
  struct Where {
    int chain;
    int pos;
  };

  // Every instruction that entry can reach, cut into chains.
  void Collect(funcdata* entry) {
    std::deque<vmcode_t*> starts;
    std::unordered_set<funcdata*> funcs;
    auto addFunc = [&](funcdata* f) {
      if (!f || !funcs.insert(f).second || !f->entry) return;
      entries_.insert(f->entry);
      starts.push_back(f->entry);
    };
    addFunc(entry);
    while (!starts.empty()) {
      vmcode_t* n = starts.front();
      starts.pop_front();
      if (where_.count(n)) continue;
      const int ci = static_cast<int>(chains_.size());
      chains_.emplace_back();
      while (n && !where_.count(n)) {
        where_[n] = Where{ci, static_cast<int>(chains_[ci].nodes.size())};
        Node node;
        node.code = n;
        chains_[ci].nodes.push_back(node);
        if (VmOpOperands(n->op) == voTarget && n->target) {
          sources_[n->target].push_back(n);
          starts.push_back(n->target);
        }
        if (n->op == opCall) addFunc(n->callee);
        if (n->next) {
          ++preds_[n->next];
          if (WritesNext(n)) records_.insert(n->next);
        }
        n = n->next;
      }
      chains_[ci].continues = n;
    }
  }

  void Measure(Chain& chain) {
    int depth = 0;
    bool known = true;
    for (Node& node : chain.nodes) {
      node.depth = depth;
      node.known = known;
      node.pops = VmOpPops(*node.code);
      node.pushes = VmOpPushes(*node.code);
      if (node.pops < 0 || node.pushes < 0) known = false;
      depth += node.pushes - node.pops;
    }
  }

  // An integer constant that stays what the compiler made it (no result record).
  bool IntConst(const vmcode_t* code) const {
    return code && code->op == opPushConst && code->a == pcInteger && !records_.count(code);
  }

  // Reached only from the instruction before it, by falling through.
  bool Quiet(const vmcode_t* code) const {
    auto p = preds_.find(code);
    return p != preds_.end() && p->second == 1 && !sources_.count(code) && !entries_.count(code);
  }

  // Reached only by falling through and by jumps from positions from..to of chain ci.
  bool EnteredOnlyFrom(const vmcode_t* code, int ci, int from, int to) const {
    auto p = preds_.find(code);
    if (p == preds_.end() || p->second != 1 || entries_.count(code)) return false;
    auto s = sources_.find(code);
    if (s == sources_.end()) return true;
    for (const vmcode_t* source : s->second) {
      const Where& w = where_.at(source);
      if (w.chain != ci || w.pos < from || w.pos > to) return false;
    }
    return true;
  }

  // Assignments to a plain variable whose right side leaves the reference's
  // cell alone become stores; the reference push is dropped.
  void FindAssignments(int ci) {
    std::vector<Node>& nodes = chains_[ci].nodes;
    const int n = static_cast<int>(nodes.size());
    for (int k = 0; k < n; ++k) {
      if (nodes[k].code->op != opAssign || !nodes[k].known) continue;
      const int want = nodes[k].depth - 2;  // the reference's cell
      // Back to where the depth was the reference's cell; nothing between may
      // take that cell or leave the straight line.
      int low = INT_MAX;
      int p = k - 1;
      bool ok = true;
      for (; p >= 0; --p) {
        const VmFlow flow = VmOpFlow(nodes[p].code->op);
        if (!nodes[p].known || flow == vfJump || flow == vfReturn) {
          ok = false;
          break;
        }
        if (nodes[p].depth <= want) break;
        low = std::min(low, nodes[p].depth - nodes[p].pops);
      }
      if (!ok || p < 0 || low < want + 1) continue;
      const Node& ref = nodes[p];
      if (ref.code->op != opPushRefAlt || !IsPlainVariable(ref.code) || ref.role != kPlain || ref.depth != want)
        continue;
      for (int q = p + 1; q <= k && ok; ++q) {
        const vmcode_t* code = nodes[q].code;
        if (!EnteredOnlyFrom(code, ci, p + 1, k - 1)) ok = false;
        if (q == k || VmOpFlow(code->op) != vfBranch) continue;
        auto t = where_.find(code->target);
        ok = ok && t != where_.end() && t->second.chain == ci && t->second.pos > q && t->second.pos <= k &&
             nodes[t->second.pos].depth == nodes[q].depth - 1 + (code->b ? 1 : 0);
      }
      if (!ok) continue;
      nodes[p].role = kRemoved;
      nodes[k].variable = ref.code;
      if (k + 1 < n && nodes[k + 1].code->op == opPop && nodes[k + 1].role == kPlain && Quiet(nodes[k + 1].code)) {
        nodes[k].role = kStore;
        nodes[k + 1].role = kPopped;
      } else {
        nodes[k].role = kStoreKeep;
      }
    }
  }

  // Free cells the pushes of positions from..to need above the stack top.
  static int Need(const std::vector<Node>& nodes, int from, int to) {
    int depth = 0, need = 0;
    for (int q = from; q <= to; ++q) {
      if (ChecksStack(nodes[q].code)) need = std::max(need, depth - nodes[q].pops + 1);
      depth += nodes[q].pushes - nodes[q].pops;
    }
    return need;
  }

  // Positions i+1 .. i+length-1 can be folded into the instruction at i.
  bool Fits(const std::vector<Node>& nodes, int i, int length) const {
    if (i + length > static_cast<int>(nodes.size())) return false;
    for (int q = i + 1; q < i + length; ++q)
      if (nodes[q].role != kPlain || !Quiet(nodes[q].code)) return false;
    return true;
  }

  Pattern Single(const vmcode_t* code) const {
    Pattern p;
    p.code = const_cast<vmcode_t*>(code);
    const std::int32_t op = code->op;
    switch (op) {
      case opPushRef:
      case opPushRefAlt: {
        const bool alt = op == opPushRefAlt;
        p.a = code->a;
        if (code->b == vkFrameVar) p.op = alt ? foPushRefL : foPushL;
        else if (code->b == vkGlobalVar) p.op = alt ? foPushRefG : foPushG;
        else p.op = alt ? foPushRefIndexed : foPushIndexed;
        return p;
      }
      case opPushConst:
        if (records_.count(code)) p.op = foPushRecord;
        else if (code->a == pcInteger) p.op = foPushInt, p.a = code->b;
        else if (code->a == pcFloating) p.op = foPushFloat;
        else if (code->a == pcString) p.op = foPushStr;
        else p.op = foNop;  // pushes nothing
        return p;
      case opCompare:
        p.op = foCompare;
        p.c = CompareMask(code->a);
        return p;
      // The operations the interpreter runs as they are.
#define SAME_OPERATION_CASE(name, flags) \
  case op##name:                         \
    p.op = fo##name;                     \
    return p;
        VM_OPERATION_ROWS(FLAT_SAME_OPERATION, SAME_OPERATION_CASE)
#undef SAME_OPERATION_CASE
      case opJump: p.op = foJump, p.target = code->target, p.jumps = true; return p;
      case opJumpFalse: p.op = foJumpFalse, p.b = code->b, p.target = code->target, p.jumps = true; return p;
      case opJumpTrue: p.op = foJumpTrue, p.b = code->b, p.target = code->target, p.jumps = true; return p;
      case opCall: p.op = code->callee ? foCall : foBadCode, p.callee = code->callee; return p;
      case opPrint: p.op = foPrint, p.a = code->a, p.code = code->next; return p;
      case opStrPrintf: p.op = foStrPrintf, p.a = code->a, p.code = code->next; return p;
      default: break;
    }
    if (op > opLastVmOp) {
      // Only the prelude's wrappers may call a built-in: their frame is the
      // built-in's argument list and the next instruction its result.
      if (code->line != 0 || !code->next) {
        p.op = foBadCode;
        return p;
      }
      p.op = foBuiltin;
      p.a = op;
      p.b = IsMainThreadBuiltin(op) ? 1 : 0;
      p.code = code->next;
      return p;
    }
    p.op = foNop;  // opLabel, or a number below every operation
    return p;
  }

  // The longest superinstruction starting at position i, else the instruction itself.
  Pattern Match(const std::vector<Node>& nodes, int i) const {
    const vmcode_t* c0 = nodes[i].code;
    const vmcode_t* c1 = i + 1 < static_cast<int>(nodes.size()) ? nodes[i + 1].code : nullptr;
    const vmcode_t* c2 = i + 2 < static_cast<int>(nodes.size()) ? nodes[i + 2].code : nullptr;
    const vmcode_t* c3 = i + 3 < static_cast<int>(nodes.size()) ? nodes[i + 3].code : nullptr;
    auto jumpsOnFalse = [](const vmcode_t* c) { return c && c->op == opJumpFalse && c->b == 0; };
    auto relation = [](const vmcode_t* c) { return c && c->op == opCompare && CompareMask(c->a) != 0; };
    Pattern p;
    p.code = const_cast<vmcode_t*>(c0);
    if (IsLocal(c0) && c1 && (IntConst(c1) || IsLocal(c1))) {
      p.a = c0->a;
      p.b = IntConst(c1) ? c1->b : c1->a;
      if (relation(c2) && jumpsOnFalse(c3) && Fits(nodes, i, 4)) {
        p.op = IntConst(c1) ? foCmpLCJumpFalse : foCmpLLJumpFalse;
        p.c = CompareMask(c2->a);
        p.target = c3->target;
        p.jumps = true;
        p.length = 4;
        return p;
      }
      const FlatOp op = c2 ? (IntConst(c1) ? ArithmeticLC(c2->op) : ArithmeticLL(c2->op)) : foNop;
      if (op != foNop && Fits(nodes, i, 3)) {
        p.op = op;
        p.length = 3;
        return p;
      }
    }
    if (IntConst(c0) && relation(c1) && jumpsOnFalse(c2) && Fits(nodes, i, 3)) {
      p.op = foCmpSCJumpFalse;
      p.b = c0->b;
      p.c = CompareMask(c1->a);
      p.target = c2->target;
      p.jumps = true;
      p.length = 3;
      return p;
    }
    if (relation(c0) && jumpsOnFalse(c1) && Fits(nodes, i, 2)) {
      p.op = foCmpJumpFalse;
      p.c = CompareMask(c0->a);
      p.target = c1->target;
      p.jumps = true;
      p.length = 2;
      return p;
    }
    if (IsLocal(c0) && c1 && c1->op == opStrLength && Fits(nodes, i, 2)) {
      p.op = foStrLengthL;
      p.a = c0->a;
      p.length = 2;
      return p;
    }
    if ((IsLocal(c0) || IntConst(c0)) && c1 && c1->op == opReturn && Fits(nodes, i, 2)) {
      p.op = IsLocal(c0) ? foReturnL : foReturnInt;
      p.a = IsLocal(c0) ? c0->a : c0->b;
      p.length = 2;
      return p;
    }
    if ((c0->op == opPrint || c0->op == opStrPrintf) && c1 && c1->op == opPushConst && c1->a == pcString &&
        Fits(nodes, i, 2)) {
      p.op = c0->op == opPrint ? foPrintPush : foStrPrintfPush;
      p.a = c0->a;
      p.length = 2;
      return p;
    }
    if (c0->op == opAssign && c1 && c1->op == opPop && Fits(nodes, i, 2)) {
      p.op = foAssignPop;
      p.length = 2;
      return p;
    }
    return Single(c0);
  }

  // v = v op X with X a value made without side effects, in an assignment
  // whose reference push (the only one pending) was v's: X, then the operator
  // on v itself. Positions i (v's push) up to its opPop are taken.
  bool InPlace(const std::vector<Node>& nodes, int i, int removed, Pattern& value, Pattern& op) const {
    const vmcode_t* ref = nodes[removed].code;
    const vmcode_t* push = nodes[i].code;
    if (removed != i - 1 || ref->b != vkFrameVar || !IsLocal(push) || push->a != ref->a) return false;
    if (i + 1 >= static_cast<int>(nodes.size()) || nodes[i + 1].role != kPlain) return false;
    value = Match(nodes, i + 1);
    if (!IsPureValue(value.op) || !Fits(nodes, i, 1 + value.length)) return false;
    const int at = i + 1 + value.length;  // the operator
    if (at + 2 >= static_cast<int>(nodes.size()) || !Fits(nodes, at - 1, 2)) return false;
    const Node& store = nodes[at + 1];
    if (!IsBinary(nodes[at].code->op) || store.role != kStore || store.variable != ref) return false;
    op.a = ref->a;
    op.c = nodes[at].code->op;
    op.length = 3;  // the operator, the assignment and its opPop
    if (value.op == foPushInt) {
      op.op = foOpToLC;
      op.b = value.a;
      op.length += value.length;
    } else if (value.op == foPushL && value.a != ref->a) {
      op.op = foOpToLL;
      op.b = value.a;
      op.length += value.length;
    } else {
      op.op = foOpToL;
    }
    return true;
  }

  int Emit(const Pattern& p, int skip, int need) {
    TFlatInsn insn;
    insn.op = p.op;
    insn.skip = static_cast<std::uint8_t>(skip);
    insn.need = need;
    insn.a = p.a;
    insn.b = p.b;
    insn.c = p.c;
    insn.code = p.code;
    insn.callee = p.callee;
    if (p.op == foStrPrintf || p.op == foStrPrintfPush) {
      out_.formats_.push_back(std::make_unique<TPrintfFormat>());
      insn.format = out_.formats_.back().get();
    }
    out_.insns_.push_back(insn);
    targets_.push_back(p.target);
    jumps_.push_back(p.jumps);
    callees_.push_back(p.op == foCall && p.callee ? p.callee->entry : nullptr);
    return static_cast<int>(out_.insns_.size()) - 1;
  }

  void Lay(int ci) {
    Chain& chain = chains_[ci];
    std::vector<Node>& nodes = chain.nodes;
    const int n = static_cast<int>(nodes.size());
    std::vector<const vmcode_t*> waiting;  // removed pushes: they go where the next instruction goes
    int skipFrom = -1;
    int last = -1;
    auto place = [&](int from, int to, int index) {
      for (int q = from; q <= to; ++q) index_[nodes[q].code] = index;
      for (const vmcode_t* code : waiting) index_[code] = index;
      waiting.clear();
      last = index;
    };
    for (int i = 0; i < n;) {
      Node& node = nodes[i];
      if (node.role == kRemoved) {
        if (waiting.empty()) skipFrom = i;
        waiting.push_back(node.code);
        ++i;
        continue;
      }
      if (node.role == kPopped) {  // never reached on its own: its store took it
        index_[node.code] = last;
        ++i;
        continue;
      }
      const int skip = static_cast<int>(waiting.size());
      const int from = skip ? skipFrom : i;
      Pattern value, op;
      if (skip == 1 && InPlace(nodes, i, skipFrom, value, op)) {
        if (op.op == foOpToL) {
          place(i, i + value.length, Emit(value, 0, Need(nodes, from, i + value.length)));
          place(i + 1 + value.length, i + value.length + op.length, Emit(op, 0, 0));
        } else {
          place(i, i + op.length, Emit(op, 0, Need(nodes, from, i + op.length)));
        }
        i += 1 + (op.op == foOpToL ? value.length : 0) + op.length;
        continue;
      }
      Pattern p;
      if (node.role == kStore || node.role == kStoreKeep) {
        const bool global = node.variable->b == vkGlobalVar;
        p.op = node.role == kStore ? (global ? foStoreG : foStoreL) : (global ? foStoreKeepG : foStoreKeepL);
        p.a = node.variable->a;
        p.length = node.role == kStore ? 2 : 1;
      } else {
        p = Match(nodes, i);
      }
      int reserved = skip;
      if (skip && !TakesSkip(p.op)) {
        Pattern reserve;
        reserve.op = foReserve;
        place(i, i - 1, Emit(reserve, skip, Need(nodes, from, i - 1)));
        reserved = 0;
      }
      place(i, i + p.length - 1, Emit(p, reserved, Need(nodes, reserved ? from : i, i + p.length - 1)));
      i += p.length;
    }
    if (!waiting.empty()) {
      Pattern reserve;
      reserve.op = foReserve;
      place(n, n - 1, Emit(reserve, static_cast<int>(waiting.size()), Need(nodes, skipFrom, n - 1)));
    }
    const VmFlow flow = VmOpFlow(nodes.back().code->op);
    if (flow == vfJump || flow == vfReturn) return;
    Pattern end;
    end.op = chain.continues ? foJump : foBadCode;
    end.target = chain.continues;
    end.jumps = chain.continues != nullptr;
    Emit(end, 0, 0);
  }

  int IndexOf(const vmcode_t* code) {
    auto it = code ? index_.find(code) : index_.end();
    if (it != index_.end()) return it->second;
    // A jump without a target, a function without code.
    if (badCode_ < 0) {
      Pattern bad;
      bad.op = foBadCode;
      badCode_ = Emit(bad, 0, 0);
    }
    return badCode_;
  }

  void Resolve(funcdata* entry, const void* const* labels) {
    const std::size_t count = out_.insns_.size();
    std::vector<int> target(count, -1), other(count, -1);
    for (std::size_t i = 0; i < count; ++i) {
      if (jumps_[i]) target[i] = IndexOf(targets_[i]);
      if (out_.insns_[i].op == foCall) other[i] = IndexOf(callees_[i]);
    }
    const int first = IndexOf(entry ? entry->entry : nullptr);
    std::vector<TFlatInsn>& insns = out_.insns_;  // complete from here on
    target.resize(insns.size(), -1);
    other.resize(insns.size(), -1);
    for (std::size_t i = 0; i < insns.size(); ++i) {
      TFlatInsn& insn = insns[i];
      if (target[i] >= 0) {
        insn.back = target[i] <= static_cast<int>(i);
        const TFlatInsn& test = insns[static_cast<std::size_t>(target[i])];
        // A jump to a test of a variable does the test: one dispatch less a turn.
        if (insn.op == foJump && test.skip == 0 &&
            (test.op == foCmpLCJumpFalse || test.op == foCmpLLJumpFalse)) {
          insn.op = test.op == foCmpLCJumpFalse ? foBranchLC : foBranchLL;
          insn.a = test.a;
          insn.b = test.b;
          insn.c = test.c;
          insn.need = test.need;
          other[i] = target[static_cast<std::size_t>(target[i])];
          target[i] += 1;
          insn.back = insn.back || other[i] <= static_cast<int>(i);
        }
      }
    }
    for (std::size_t i = 0; i < insns.size(); ++i) {
      TFlatInsn& insn = insns[i];
      if (target[i] >= 0) insn.target = &insns[static_cast<std::size_t>(target[i])];
      if (other[i] >= 0) insn.other = &insns[static_cast<std::size_t>(other[i])];
      insn.label = labels ? labels[insn.op] : nullptr;
    }
    out_.entry_ = &insns[static_cast<std::size_t>(first)];
  }

  TFlatCode& out_;
  std::vector<Chain> chains_;
  std::unordered_map<const vmcode_t*, Where> where_;
  std::unordered_map<const vmcode_t*, int> preds_;  // instructions whose next it is
  std::unordered_map<const vmcode_t*, std::vector<const vmcode_t*>> sources_;  // jumps to it
  std::unordered_set<const vmcode_t*> entries_;  // first instructions of functions
  std::unordered_set<const vmcode_t*> records_;  // result records of print, strPrintf and built-ins
  std::unordered_map<const vmcode_t*, int> index_;  // where each instruction was laid out
  std::vector<const vmcode_t*> targets_;            // per laid-out instruction
  std::vector<bool> jumps_;
  std::vector<const vmcode_t*> callees_;
  int badCode_ = -1;
};

TFlatCode::TFlatCode() = default;
TFlatCode::~TFlatCode() = default;

void TFlatCode::Build(funcdata* entry, const void* const* labels) {
  insns_.clear();
  formats_.clear();
  entry_ = nullptr;
  Builder(*this).Run(entry, labels);
}
