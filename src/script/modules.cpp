#include "script/modules.h"

#include <iterator>

#include "script/busbuiltins.h"
#include "script/childprocess.h"
#include "script/sysbuiltins.h"
#include "script/sysfiles.h"
#include "script/sysserial.h"

namespace {

const builtindata kSystemTable[] = {
    {"__sys_get_systeminfo", 1001, 1001, "sysGetSystemInfo(infoNo)", BuiltinSysGetSystemInfo},
    {"__sys_sleep", 1002, 1002, "sysSleep(msec)", BuiltinSysSleep},
    {"__sys_get_datestring", 1003, 1003, "sysGetDateString()", BuiltinSysGetDateString},
    {"__sys_get_timestring", 1004, 1004, "sysGetTimeString()", BuiltinSysGetTimeString},
    {"__sys_clear_globalvalue", 1005, 1005, "sysClearGlobalValue()", BuiltinSysClearGlobalValue},
    {"__sys_set_globalvalue", 1006, 1006, "sysSetGlobalValue(strKey,value)", BuiltinSysSetGlobalValue},
    {"__sys_get_globalvalue", 1007, 1007, "sysGetGlobalValue(strKey,value&)", BuiltinSysGetGlobalValue},
    {"__sys_str_substring", 1008, 1008, "strSubString(str,start,n)", BuiltinStrSubString},
    {"__sys_str_scanf", 1009, 1009, "strScanf(str,fmt,buff&,n)", BuiltinStrScanf},
    {"__sys_str_ssearch", 1010, 1010, "strSearch(str,start,strSub)", BuiltinStrSearch},
    {"__sys_input_dialog", 1011, 1011, "sysInput(strPrompt,option,value&)", BuiltinSysInput},
    {"__sys_message_dialog", 1012, 1012, "sysMessage(strPrompt,option)", BuiltinSysMessage},
    {"__sys_select_dialog", 1013, 1013, "sysSelect(strPrompt,strList,index&)", BuiltinSysSelect},
    {"__sys_com_open", 1014, 1014, "comOpen(comPortNo,baud,data,parity,stop,flow)", BuiltinComOpen},
    {"__sys_com_close", 1015, 1015, "comClose(comPortNo)", BuiltinComClose},
    {"__sys_com_readall", 1016, 1016, "comReadAll(comPortNo,buff&)", BuiltinComReadAll},
    {"__sys_com_readchar", 1017, 1017, "comReadChar(comPortNo,buff&,timeout)", BuiltinComReadChar},
    {"__sys_com_readto", 1018, 1018, "comReadTo(comPortNo, buff&,delimiters&,nDelimiters,timeout)",
     BuiltinComReadTo},
    {"__sys_com_readfromto", 1019, 1019,
     "comReadFromTo(comPortNo, buff&,headers&,nHeaders,delimiters&,nDelimiters,timeout)", BuiltinComReadFromTo},
    {"__sys_com_write", 1020, 1020, "comWrite(comPortNo, buff)", BuiltinComWrite},
    {"__sys_com_writewithechoback", 1021, 1021, "comWriteWithEchoBack(comPortNo,buff,check,wait,timeout)",
     BuiltinComWriteWithEchoBack},
    {"__sys_com_isopen", 1022, 1022, "comIsOpen(comPortNo)", BuiltinComIsOpen},
    {"__sys_com_closeall", 1023, 1023, "comCloseAll()", BuiltinComCloseAll},
    {"__sys_com_clear", 1024, 1024, "comClear(comPortNo)", BuiltinComClear},
    {"__sys_com_modemcheck", 1025, 1025, "comModemCheck(comPortNo,check,count,timeout)", BuiltinComModemCheck},
    {"__sys_file_open", 1026, 1026, "fileOpen(filename, mode)", BuiltinFileOpen},
    {"__sys_file_getlinecount", 1027, 1027, "fileGetLineCount(file)", BuiltinFileGetLineCount},
    {"__sys_file_getline", 1028, 1028, "fileGetLine(file, lineNo, buff&)", BuiltinFileGetLine},
    {"__sys_file_setline", 1029, 1029, "fileSetLine(file, lineNo, buff)", BuiltinFileSetLine},
    {"__sys_file_addline", 1030, 1030, "fileAddLine(file, buff)", BuiltinFileAddLine},
    {"__sys_file_insertline", 1031, 1031, "fileInsertLine(file, lineNo, buff)", BuiltinFileInsertLine},
    {"__sys_file_deleteline", 1032, 1032, "fileDeleteLine(file, lineNo)", BuiltinFileDeleteLine},
    {"__sys_file_save", 1033, 1033, "fileSave(file)", BuiltinFileSave},
    {"__sys_file_saveas", 1034, 1034, "fileSaveAs(file,filename)", BuiltinFileSaveAs},
    {"__sys_file_close", 1035, 1035, "fileClose(file)", BuiltinFileClose},
    {"__sys_file_copy", 1036, 1036, "fileCopy(dest, src)", BuiltinFileCopy},
    {"__sys_file_delete", 1037, 1037, "fileDelete(path)", BuiltinFileDelete},
    {"__sys_file_rename", 1038, 1038, "fileRename(org, new)", BuiltinFileRename},
    {"__sys_file_exists", 1039, 1039, "fileExists(path)", BuiltinFileExists},
    {"__sys_file_compare", 1040, 1040, "fileCompare(path1, path2)", BuiltinFileCompare},
    {"__sys_dir_exists", 1041, 1041, "dirExists(dir)", BuiltinDirExists},
    {"__sys_dir_create", 1042, 1042, "dirCreate(dir)", BuiltinDirCreate},
    {"__sys_dir_isempty", 1043, 1043, "dirIsEmpty(dir)", BuiltinDirIsEmpty},
    {"__sys_dir_copy", 1044, 1044, "dirCopy(dest, src, progress)", BuiltinDirCopy},
    {"__sys_dir_synchronize", 1045, 1045, "dirSynchronize(dest, src, progress)", BuiltinDirSynchronize},
    {"__sys_dir_compare", 1046, 1046, "dirCompare(dir1, dir2)", BuiltinDirCompare},
    {"__sys_disk_checkmedia", 1047, 1047, "diskCheckMedia(drive)", BuiltinDiskCheckMedia},
    {"__sys_copro_spawn", 1048, 1048, "copSpawn(path, param, wait)", BuiltinCopSpawn},
    {"__sys_copro_system", 1049, 1049, "copSystem(command)", BuiltinCopSystem},
    {"__sys_copro_shellexecute", 1050, 1050, "copShellExecute(path)", BuiltinCopShellExecute},
    {"__sys_io_getnumberofin", 1052, 1052, "ioGetNumberOfInport()", BuiltinIoGetNumberOfInport},
    {"__sys_io_getnumberofout", 1053, 1053, "ioGetNumberOfOutport()", BuiltinIoGetNumberOfOutport},
    {"__sys_io_inport", 1054, 1054, "ioInport(port,data&)", BuiltinIoInport},
    {"__sys_io_outport", 1055, 1055, "ioOutport(port,data)", BuiltinIoOutport},
    {"__sys_measure_getnumberof", 1056, 1056, "measGetNumberOf(item)", BuiltinMeasGetNumberOf},
    {"__sys_measure_getvalue", 1057, 1057, "measGetValue(x,y,element,param,value&)", BuiltinMeasGetValue},
    {"__sys_win_getpos", 1058, 1058, "winGetPos(x&,y&)", nullptr},
    {"__sys_win_setpos", 1059, 1059, "winSetPos(x,y)", nullptr},
    {"__sys_win_getsize", 1060, 1060, "winGetSize(w&,h&)", nullptr},
    {"__sys_win_setsize", 1061, 1061, "winSetSize(w,h)", nullptr},
    {"__sys_win_gettext", 1062, 1062, "winGetText(str&)", nullptr},
    {"__sys_win_settext", 1063, 1063, "winSetText(str)", nullptr},
    {"__sys_win_getprogress", 1064, 1064, "winGetProgress(progress&)", nullptr},
    {"__sys_win_setprogress", 1065, 1065, "winSetProgress(progress)", nullptr},
    {"__sys_win_setcolor", 1066, 1066, "winSetColor(color)", nullptr},
    {"__sys_win_settextcolor", 1067, 1067, "winSetTextColor(color)", nullptr},
    {"__sys_win_savescreenasfile", 1068, 1068, "winSaveScreenAsFile(path)", nullptr},
    {"__sys_crc_calcfile", 1069, 1069, "crcCalcFile(path,crc&)", BuiltinCrcNothing},
    {"__sys_crc_calcdir", 1070, 1070, "crcCalcDir(path,exceptExt&,exceptExtCount,crc&)", BuiltinCrcNothing},
    {"__sys_crc_checkfile", 1071, 1071, "crcCheckFile(path,type,crc&)", BuiltinCrcNothing},
    {"__sys_crc_checkdir", 1072, 1072, "crcCheckDir(path,type,exceptExt&,exceptExtCount,crc&)", BuiltinCrcNothing},
    {"__sys_step_getngstepno", 1073, 1073, "stepGetNgStepNo()", BuiltinStepGetNgStepNo},
    {"__sys_step_getitemcount", 1074, 1074, "stepGetItemCount(stepNo)", BuiltinStepGetItemCount},
    {"__sys_step_getitemstatus", 1075, 1075, "stepGetItemStatus(stepNo,itemNo)", BuiltinStepGetItemStatus},
    {"__sys_id_getanumber", 1076, 1076, "idGetANumber(target)", BuiltinIdGetNumber},
    {"__sys_id_getsernumber", 1077, 1077, "idGetSerNumber(target)", BuiltinIdGetNumber},
    {"__sys_id_getyxnumber", 1078, 1078, "idGetYxNumber(target)", BuiltinIdGetNumber},
    {"__sys_log_setfailurecode", 1079, 1079, "logSetFailureCode(target,code)", BuiltinLogSetFailureCode},
    {"__sys_log_getfailurecode", 1080, 1080, "logGetFailureCode(target,code&)", BuiltinLogGetFailureCode},
};

const builtindata kBusTable[] = {
    {"__bus_bus_available", 2001, 2001, "busIsAvailable()", BuiltinBusIsAvailable},
    {"__bus_iic_available", 2002, 2002, "iicIsAvailable()", BuiltinIicIsAvailable},
    {"__bus_get_busfilename", 2003, 2003, "busGetBusFileName()", BuiltinBusGetBusFileName},
    {"__bus_enteradjustmode", 2004, 2004, "busEnterAdjustMode()", BuiltinBusEnterAdjustMode},
    {"__bus_exitadjustmode", 2005, 2005, "busExitAdjustMode()", BuiltinBusExitAdjustMode},
    {"__bus_readreg", 2006, 2006, "busReadReg(regNo,data&)", BuiltinBusReadReg},
    {"__bus_writereg", 2007, 2007, "busWriteReg(regNo,data)", BuiltinBusWriteReg},
    {"__bus_save", 2008, 2008, "busSave(saveNo)", BuiltinBusSave},
    {"__ecs_sendcommand", 2009, 2009, "ecsSendCommand(cmmd&,cmmdLen,ans&,ansLen,inv)", BuiltinEcsSendCommand},
    {"__ecs_sendcommandstr", 2010, 2010, "ecsSendCommandStr(strCmmd,ans&,ansLen,inv)", BuiltinEcsSendCommandStr},
    {"__iic_bint", 2011, 2011, "iicTurnBInt(sw)", BuiltinIicTurnBInt},
    {"__iic_read", 2012, 2012, "iicRead(line,type,slave,sub,data&,n)", BuiltinIicRead},
    {"__iic_write", 2013, 2013, "iicWrite(line,type,slave,sub,data&,n)", BuiltinIicWrite},
};

struct Constant {
  const char* name;
  const char* value;  // as the initialisation text writes it
};

// Declaration order: the left column of each table top to bottom, then the right one.
const Constant kSystemConstants[] = {
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

const Constant kBusConstants[] = {
    {"iicPT_NONE", "0"},          {"iicPT_BYTE", "1"},           {"iicPT_WORD", "2"},
    {"iicROM_BYTE", "3"},         {"iicROM_WORD", "4"},          {"iicDIGI_REGI", "5"},
    {"iicREG_10BIT", "6"},        {"iicREG_8BIT", "7"},          {"iicPT_16BIT", "8"},
    {"iicREG_10BIT_QN4718", "9"}, {"iicREG_8BIT_QN4718", "10"},  {"iicCPU", "11"},
    {"iicREG_10BIT_QN4795", "12"}, {"iicDDP3315C", "13"},        {"iicPT_3BYTE", "14"},
};

template <size_t N>
std::string DeclText(const Constant (&table)[N]) {
  std::string text = "var ";
  for (size_t i = 0; i < N; ++i) text += std::string(i ? "," : "") + table[i].name;
  return text + ";";
}

template <size_t N>
std::string InitText(const Constant (&table)[N]) {
  std::string text;
  for (const Constant& c : table) text += std::string(c.name) + "=" + c.value + ";";
  return text;
}

template <size_t N>
const builtindata* RowAt(const builtindata (&table)[N], int index) {
  return index >= 0 && static_cast<size_t>(index) < N ? &table[index] : nullptr;
}

template <size_t N>
const builtindata* RowOf(const builtindata (&table)[N], std::int32_t id) {
  for (const builtindata& row : table)
    if (row.id == id) return &row;
  return nullptr;
}

template <size_t N>
void AddWrappers(const builtindata (&table)[N], std::vector<std::string>& lines) {
  for (size_t i = N; i-- > 0;)
    lines.push_back(std::string("func ") + table[i].prototype + "{" + table[i].name + ";}");
}

}  // namespace

int GetSystemBuiltinCount() { return static_cast<int>(std::size(kSystemTable)); }
std::string GetSystemDeclText() { return DeclText(kSystemConstants); }
std::string GetSystemInitText() { return InitText(kSystemConstants); }

std::string GetSystemBuiltinName(int index) {
  const builtindata* row = RowAt(kSystemTable, index);
  return row ? row->name : "";
}

std::int32_t GetSystemBuiltinId(int index) {
  const builtindata* row = RowAt(kSystemTable, index);
  return row ? row->id : 0;
}

std::string GetSystemBuiltinPrototype(int index) {
  const builtindata* row = RowAt(kSystemTable, index);
  return row ? row->prototype : "";
}

std::int32_t GetSystemBuiltinIdById(std::int32_t id) {
  const builtindata* row = RowOf(kSystemTable, id);
  return row ? row->id2 : 0;
}

void CallSystemBuiltin(int id, TStackData* args, vmcode_t* result, ScriptEnv& env) {
  const builtindata* row = RowOf(kSystemTable, id);
  if (row && row->handler) row->handler(args, result, env);
}

int GetBusBuiltinCount() { return static_cast<int>(std::size(kBusTable)); }
std::string GetBusDeclText() { return DeclText(kBusConstants); }
std::string GetBusInitText() { return InitText(kBusConstants); }

std::string GetBusBuiltinName(int index) {
  const builtindata* row = RowAt(kBusTable, index);
  return row ? row->name : "";
}

std::int32_t GetBusBuiltinId(int index) {
  const builtindata* row = RowAt(kBusTable, index);
  return row ? row->id : 0;
}

std::string GetBusBuiltinPrototype(int index) {
  const builtindata* row = RowAt(kBusTable, index);
  return row ? row->prototype : "";
}

std::int32_t GetBusBuiltinIdById(std::int32_t id) {
  const builtindata* row = RowOf(kBusTable, id);
  return row ? row->id2 : 0;
}

void CallBusBuiltin(int id, TStackData* args, vmcode_t* result, ScriptEnv& env) {
  const builtindata* row = RowOf(kBusTable, id);
  if (row && row->handler) row->handler(args, result, env);
}

std::vector<std::string> BuildBuiltinPrelude() {
  std::vector<std::string> lines{GetBusDeclText(), GetBusInitText()};
  AddWrappers(kBusTable, lines);
  lines.push_back(GetSystemDeclText());
  lines.push_back(GetSystemInitText());
  AddWrappers(kSystemTable, lines);
  return lines;
}

void InstallBuiltinModules() {
  SetSystemBuiltinModule(&CallSystemBuiltin);
  SetBusBuiltinModule(&CallBusBuiltin);
}

void CloseAllComPorts() { ScriptComPorts().CloseAll(); }

namespace {
// Any program that compiles scripts links this file (the compiler reads the
// tables), so the modules are in place before the first script runs.
const bool g_installed = (InstallBuiltinModules(), true);
}  // namespace
