#include "script/builtins/modules.h"

#include <algorithm>

#include "script/builtins/busbuiltins.h"
#include "script/builtins/childprocess.h"
#include "script/builtins/sysbuiltins.h"
#include "script/builtins/sysfiles.h"
#include "script/builtins/sysserial.h"
#include "script/builtins/winbuiltins.h"
#include "script/scripthost.h"

namespace {

constexpr BuiltinRuns kScriptThread = BuiltinRuns::kScriptThread;
constexpr BuiltinRuns kMainThread = BuiltinRuns::kMainThread;
constexpr BuiltinRuns kScriptWindow = BuiltinRuns::kScriptWindow;

constexpr builtindata kSystemTable[] = {
    {"__sys_get_systeminfo", 1001, "sysGetSystemInfo(infoNo)", BuiltinSysGetSystemInfo, kScriptThread},
    {"__sys_sleep", 1002, "sysSleep(msec)", BuiltinSysSleep, kScriptThread},
    {"__sys_get_datestring", 1003, "sysGetDateString()", BuiltinSysGetDateString, kScriptThread},
    {"__sys_get_timestring", 1004, "sysGetTimeString()", BuiltinSysGetTimeString, kScriptThread},
    {"__sys_clear_globalvalue", 1005, "sysClearGlobalValue()", BuiltinSysClearGlobalValue, kScriptThread},
    {"__sys_set_globalvalue", 1006, "sysSetGlobalValue(strKey,value)", BuiltinSysSetGlobalValue, kScriptThread},
    {"__sys_get_globalvalue", 1007, "sysGetGlobalValue(strKey,value&)", BuiltinSysGetGlobalValue, kScriptThread},
    {"__sys_str_substring", 1008, "strSubString(str,start,n)", BuiltinStrSubString, kScriptThread},
    {"__sys_str_scanf", 1009, "strScanf(str,fmt,buff&,n)", BuiltinStrScanf, kScriptThread},
    {"__sys_str_ssearch", 1010, "strSearch(str,start,strSub)", BuiltinStrSearch, kScriptThread},
    {"__sys_input_dialog", 1011, "sysInput(strPrompt,option,value&)", BuiltinSysInput, kMainThread},
    {"__sys_message_dialog", 1012, "sysMessage(strPrompt,option)", BuiltinSysMessage, kMainThread},
    {"__sys_select_dialog", 1013, "sysSelect(strPrompt,strList,index&)", BuiltinSysSelect, kMainThread},
    {"__sys_com_open", 1014, "comOpen(comPortNo,baud,data,parity,stop,flow)", BuiltinComOpen, kMainThread},
    {"__sys_com_close", 1015, "comClose(comPortNo)", BuiltinComClose, kMainThread},
    {"__sys_com_readall", 1016, "comReadAll(comPortNo,buff&)", BuiltinComReadAll, kScriptThread},
    {"__sys_com_readchar", 1017, "comReadChar(comPortNo,buff&,timeout)", BuiltinComReadChar, kScriptThread},
    {"__sys_com_readto", 1018, "comReadTo(comPortNo, buff&,delimiters&,nDelimiters,timeout)",
     BuiltinComReadTo, kScriptThread},
    {"__sys_com_readfromto", 1019,
     "comReadFromTo(comPortNo, buff&,headers&,nHeaders,delimiters&,nDelimiters,timeout)", BuiltinComReadFromTo, kScriptThread},
    {"__sys_com_write", 1020, "comWrite(comPortNo, buff)", BuiltinComWrite, kScriptThread},
    {"__sys_com_writewithechoback", 1021, "comWriteWithEchoBack(comPortNo,buff,check,wait,timeout)",
     BuiltinComWriteWithEchoBack, kScriptThread},
    {"__sys_com_isopen", 1022, "comIsOpen(comPortNo)", BuiltinComIsOpen, kScriptThread},
    {"__sys_com_closeall", 1023, "comCloseAll()", BuiltinComCloseAll, kMainThread},
    {"__sys_com_clear", 1024, "comClear(comPortNo)", BuiltinComClear, kScriptThread},
    {"__sys_com_modemcheck", 1025, "comModemCheck(comPortNo,check,count,timeout)", BuiltinComModemCheck, kScriptThread},
    {"__sys_file_open", 1026, "fileOpen(filename, mode)", BuiltinFileOpen, kMainThread},
    {"__sys_file_getlinecount", 1027, "fileGetLineCount(file)", BuiltinFileGetLineCount, kMainThread},
    {"__sys_file_getline", 1028, "fileGetLine(file, lineNo, buff&)", BuiltinFileGetLine, kMainThread},
    {"__sys_file_setline", 1029, "fileSetLine(file, lineNo, buff)", BuiltinFileSetLine, kMainThread},
    {"__sys_file_addline", 1030, "fileAddLine(file, buff)", BuiltinFileAddLine, kMainThread},
    {"__sys_file_insertline", 1031, "fileInsertLine(file, lineNo, buff)", BuiltinFileInsertLine, kMainThread},
    {"__sys_file_deleteline", 1032, "fileDeleteLine(file, lineNo)", BuiltinFileDeleteLine, kMainThread},
    {"__sys_file_save", 1033, "fileSave(file)", BuiltinFileSave, kMainThread},
    {"__sys_file_saveas", 1034, "fileSaveAs(file,filename)", BuiltinFileSaveAs, kMainThread},
    {"__sys_file_close", 1035, "fileClose(file)", BuiltinFileClose, kMainThread},
    {"__sys_file_copy", 1036, "fileCopy(dest, src)", BuiltinFileCopy, kScriptThread},
    {"__sys_file_delete", 1037, "fileDelete(path)", BuiltinFileDelete, kScriptThread},
    {"__sys_file_rename", 1038, "fileRename(org, new)", BuiltinFileRename, kScriptThread},
    {"__sys_file_exists", 1039, "fileExists(path)", BuiltinFileExists, kScriptThread},
    {"__sys_file_compare", 1040, "fileCompare(path1, path2)", BuiltinFileCompare, kScriptThread},
    {"__sys_dir_exists", 1041, "dirExists(dir)", BuiltinDirExists, kScriptThread},
    {"__sys_dir_create", 1042, "dirCreate(dir)", BuiltinDirCreate, kScriptThread},
    {"__sys_dir_isempty", 1043, "dirIsEmpty(dir)", BuiltinDirIsEmpty, kScriptThread},
    {"__sys_dir_copy", 1044, "dirCopy(dest, src, progress)", BuiltinDirCopy, kScriptThread},
    {"__sys_dir_synchronize", 1045, "dirSynchronize(dest, src, progress)", BuiltinDirSynchronize, kScriptThread},
    {"__sys_dir_compare", 1046, "dirCompare(dir1, dir2)", BuiltinDirCompare, kScriptThread},
    {"__sys_disk_checkmedia", 1047, "diskCheckMedia(drive)", BuiltinDiskCheckMedia, kScriptThread},
    {"__sys_copro_spawn", 1048, "copSpawn(path, param, wait)", BuiltinCopSpawn, kScriptThread},
    {"__sys_copro_system", 1049, "copSystem(command)", BuiltinCopSystem, kScriptThread},
    {"__sys_copro_shellexecute", 1050, "copShellExecute(path)", BuiltinCopShellExecute, kScriptThread},
    {"__sys_io_getnumberofin", 1052, "ioGetNumberOfInport()", BuiltinIoGetNumberOfInport, kMainThread},
    {"__sys_io_getnumberofout", 1053, "ioGetNumberOfOutport()", BuiltinIoGetNumberOfOutport, kMainThread},
    {"__sys_io_inport", 1054, "ioInport(port,data&)", BuiltinIoInport, kMainThread},
    {"__sys_io_outport", 1055, "ioOutport(port,data)", BuiltinIoOutport, kMainThread},
    {"__sys_measure_getnumberof", 1056, "measGetNumberOf(item)", BuiltinMeasGetNumberOf, kMainThread},
    {"__sys_measure_getvalue", 1057, "measGetValue(x,y,element,param,value&)", BuiltinMeasGetValue, kMainThread},
    {"__sys_win_getpos", 1058, "winGetPos(x&,y&)", BuiltinWinGetPos, kScriptWindow},
    {"__sys_win_setpos", 1059, "winSetPos(x,y)", BuiltinWinSetPos, kScriptWindow},
    {"__sys_win_getsize", 1060, "winGetSize(w&,h&)", BuiltinWinGetSize, kScriptWindow},
    {"__sys_win_setsize", 1061, "winSetSize(w,h)", BuiltinWinSetSize, kScriptWindow},
    {"__sys_win_gettext", 1062, "winGetText(str&)", BuiltinWinGetText, kScriptWindow},
    {"__sys_win_settext", 1063, "winSetText(str)", BuiltinWinSetText, kScriptWindow},
    {"__sys_win_getprogress", 1064, "winGetProgress(progress&)", BuiltinWinGetProgress, kScriptWindow},
    {"__sys_win_setprogress", 1065, "winSetProgress(progress)", BuiltinWinSetProgress, kScriptWindow},
    {"__sys_win_setcolor", 1066, "winSetColor(color)", BuiltinWinSetColor, kScriptWindow},
    {"__sys_win_settextcolor", 1067, "winSetTextColor(color)", BuiltinWinSetTextColor, kScriptWindow},
    {"__sys_win_savescreenasfile", 1068, "winSaveScreenAsFile(path)", BuiltinWinSaveScreenAsFile, kScriptWindow},
    {"__sys_crc_calcfile", 1069, "crcCalcFile(path,crc&)", BuiltinCrcNothing, kScriptThread},
    {"__sys_crc_calcdir", 1070, "crcCalcDir(path,exceptExt&,exceptExtCount,crc&)", BuiltinCrcNothing, kScriptThread},
    {"__sys_crc_checkfile", 1071, "crcCheckFile(path,type,crc&)", BuiltinCrcNothing, kScriptThread},
    {"__sys_crc_checkdir", 1072, "crcCheckDir(path,type,exceptExt&,exceptExtCount,crc&)", BuiltinCrcNothing, kScriptThread},
    {"__sys_step_getngstepno", 1073, "stepGetNgStepNo()", BuiltinStepGetNgStepNo, kScriptThread},
    {"__sys_step_getitemcount", 1074, "stepGetItemCount(stepNo)", BuiltinStepGetItemCount, kScriptThread},
    {"__sys_step_getitemstatus", 1075, "stepGetItemStatus(stepNo,itemNo)", BuiltinStepGetItemStatus, kScriptThread},
    {"__sys_id_getanumber", 1076, "idGetANumber(target)", BuiltinIdGetNumber, kScriptThread},
    {"__sys_id_getsernumber", 1077, "idGetSerNumber(target)", BuiltinIdGetNumber, kScriptThread},
    {"__sys_id_getyxnumber", 1078, "idGetYxNumber(target)", BuiltinIdGetNumber, kScriptThread},
    {"__sys_log_setfailurecode", 1079, "logSetFailureCode(target,code)", BuiltinLogSetFailureCode, kScriptThread},
    {"__sys_log_getfailurecode", 1080, "logGetFailureCode(target,code&)", BuiltinLogGetFailureCode, kScriptThread},
};

constexpr builtindata kBusTable[] = {
    {"__bus_bus_available", 2001, "busIsAvailable()", BuiltinBusIsAvailable, kMainThread},
    {"__bus_iic_available", 2002, "iicIsAvailable()", BuiltinIicIsAvailable, kMainThread},
    {"__bus_get_busfilename", 2003, "busGetBusFileName()", BuiltinBusGetBusFileName, kMainThread},
    {"__bus_enteradjustmode", 2004, "busEnterAdjustMode()", BuiltinBusEnterAdjustMode, kMainThread},
    {"__bus_exitadjustmode", 2005, "busExitAdjustMode()", BuiltinBusExitAdjustMode, kMainThread},
    {"__bus_readreg", 2006, "busReadReg(regNo,data&)", BuiltinBusReadReg, kMainThread},
    {"__bus_writereg", 2007, "busWriteReg(regNo,data)", BuiltinBusWriteReg, kMainThread},
    {"__bus_save", 2008, "busSave(saveNo)", BuiltinBusSave, kMainThread},
    {"__ecs_sendcommand", 2009, "ecsSendCommand(cmmd&,cmmdLen,ans&,ansLen,inv)", BuiltinEcsSendCommand, kMainThread},
    {"__ecs_sendcommandstr", 2010, "ecsSendCommandStr(strCmmd,ans&,ansLen,inv)", BuiltinEcsSendCommandStr, kMainThread},
    {"__iic_bint", 2011, "iicTurnBInt(sw)", BuiltinIicTurnBInt, kMainThread},
    {"__iic_read", 2012, "iicRead(line,type,slave,sub,data&,n)", BuiltinIicRead, kMainThread},
    {"__iic_write", 2013, "iicWrite(line,type,slave,sub,data&,n)", BuiltinIicWrite, kMainThread},
};

// Declaration order: the left column of each table top to bottom, then the right one.
const TBuiltinConstant kSystemConstants[] = {
    {"sysINTEGER", "0"},       {"sysFLOATING", "1"},       {"sysSTRING", "2"},       {"sysSCRIPT_VER", "0"},
    {"sysJIG_NAME", "1"},      {"sysLINE_NAME", "2"},      {"sysMODEL_NAME", "3"},   {"sysSTATION_NAME", "4"},
    {"sysSTATION_ID", "5"},    {"sysSTATION_NO", "6"},     {"dlgMESSAGE", "0x00"},   {"dlgCONFIRM", "0x01"},
    {"dlgWARNING", "0x02"},    {"dlgERROR", "0x03"},       {"dlgAUTOERASE", "0x04"}, {"btnOK", "0x00"},
    {"btnOK_CANCEL", "0x10"},  {"btnRETRY_CANCEL", "0x20"}, {"btnIGNORE_CANCEL", "0x30"},
    {"btnYES_NO", "0x40"},     {"com8BIT", "0"},           {"com7BIT", "1"},         {"com6BIT", "2"},
    {"com5BIT", "3"},          {"comPT_NO", "0"},          {"comPT_ODD", "1"},       {"comPT_EVEN", "2"},
    {"comPT_MARK", "3"},       {"comPT_SPACE", "4"},       {"comSB_1", "0"},         {"comSB_1_5", "1"},
    {"comSB_2", "2"},          {"comFC_NO", "0"},          {"comFC_HARD", "1"},      {"comFC_SOFT", "2"},
    {"fileNEW", "0"},          {"fileAPPEND", "1"},        {"copWAIT", "1"},         {"copNOWAIT", "0"},
};

const TBuiltinConstant kBusConstants[] = {
    {"iicPT_NONE", "0"},          {"iicPT_BYTE", "1"},           {"iicPT_WORD", "2"},
    {"iicROM_BYTE", "3"},         {"iicROM_WORD", "4"},          {"iicDIGI_REGI", "5"},
    {"iicREG_10BIT", "6"},        {"iicREG_8BIT", "7"},          {"iicPT_16BIT", "8"},
    {"iicREG_10BIT_QN4718", "9"}, {"iicREG_8BIT_QN4718", "10"},  {"iicCPU", "11"},
    {"iicREG_10BIT_QN4795", "12"}, {"iicDDP3315C", "13"},        {"iicPT_3BYTE", "14"},
};

// Row looks up ids by binary search.
template <std::size_t N>
constexpr bool OrderedById(const builtindata (&rows)[N]) {
  for (std::size_t i = 1; i < N; ++i)
    if (rows[i - 1].id >= rows[i].id) return false;
  return true;
}
static_assert(OrderedById(kSystemTable) && OrderedById(kBusTable), "module rows are in increasing id order");

// The script-window rows lie together, so that a call finds them by their ids'
// range without a search.
constexpr std::int32_t kWindowFirst = [] {
  for (const builtindata& row : kSystemTable)
    if (row.runs == kScriptWindow) return row.id;
  return 0;
}();
constexpr std::int32_t kWindowLast = [] {
  std::int32_t last = 0;
  for (const builtindata& row : kSystemTable)
    if (row.runs == kScriptWindow) last = row.id;
  return last;
}();
constexpr bool WindowRowsTogether() {
  for (const builtindata& row : kSystemTable)
    if ((row.id >= kWindowFirst && row.id <= kWindowLast) != (row.runs == kScriptWindow)) return false;
  return true;
}
static_assert(WindowRowsTogether(), "the script-window rows follow each other");

constexpr TBuiltinModule kSystemModule(kSystemTable, kSystemConstants);
constexpr TBuiltinModule kBusModule(kBusTable, kBusConstants);

}  // namespace

std::string TBuiltinModule::DeclText() const {
  std::string text = "var ";
  for (int i = 0; i < constantCount_; ++i) text += std::string(i ? "," : "") + constants_[i].name;
  return text + ";";
}

std::string TBuiltinModule::InitText() const {
  std::string text;
  for (int i = 0; i < constantCount_; ++i) text += std::string(constants_[i].name) + "=" + constants_[i].value + ";";
  return text;
}

std::string TBuiltinModule::BuiltinName(int index) const {
  return index >= 0 && index < rowCount_ ? rows_[index].name : "";
}

std::int32_t TBuiltinModule::BuiltinId(int index) const {
  return index >= 0 && index < rowCount_ ? rows_[index].id : 0;
}

std::string TBuiltinModule::BuiltinPrototype(int index) const {
  return index >= 0 && index < rowCount_ ? rows_[index].prototype : "";
}

const builtindata* TBuiltinModule::Row(std::int32_t id) const {
  // Rows are ordered by id (checked where the tables are).
  const builtindata* end = rows_ + rowCount_;
  const builtindata* row = std::lower_bound(rows_, end, id, [](const builtindata& r, std::int32_t v) { return r.id < v; });
  return row != end && row->id == id ? row : nullptr;
}

void TBuiltinModule::Call(int id, TStackData* args, vmcode_t* result, ScriptEnv& env) const {
  const builtindata* row = Row(id);
  if (row && row->handler) row->handler(args, result, env);
}

const TBuiltinModule& SystemModule() { return kSystemModule; }
const TBuiltinModule& BusModule() { return kBusModule; }

void CallSystemBuiltin(int id, TStackData* args, vmcode_t* result, ScriptEnv& env) {
  kSystemModule.Call(id, args, result, env);
}

void CallBusBuiltin(int id, TStackData* args, vmcode_t* result, ScriptEnv& env) {
  kBusModule.Call(id, args, result, env);
}

void DispatchBuiltin(int id, TStackData* args, vmcode_t* result, ScriptEnv& env) {
  if (id >= 2000) {
    const BuiltinModuleCall bus = env.Host().BusModule();
    (bus ? bus : &CallBusBuiltin)(id, args, result, env);
  } else if (id >= kWindowFirst && id <= kWindowLast) {
    kSystemModule.Call(id, args, result, env);
  } else if (id >= 1000) {
    const BuiltinModuleCall system = env.Host().SystemModule();
    (system ? system : &CallSystemBuiltin)(id, args, result, env);
  }
}

bool IsMainThreadBuiltin(int id) {
  const builtindata* row = kSystemModule.Row(id);
  if (!row) row = kBusModule.Row(id);
  return row && row->runs != BuiltinRuns::kScriptThread;
}
