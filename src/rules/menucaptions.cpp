#include "rules/menucaptions.h"

namespace rules {

const std::vector<MenuCaption>& MenuCaptions() {
  static const std::vector<MenuCaption> table = {
      {"FileF1", "ファイル(&F)", "File(&F)"},
      {"mnuReadNVM", "NVMイメージの読み込み[NVM->ファイル](&R)", "Read NVM Image[NVM->File](&R)"},
      {"mnuNVMRead_With_Verify", "ベリファイ有り", "With verify read"},
      {"mnuReadNVM_No_Verify", "ベリファイ無し", "Without verify read"},
      {"mnuNVMWrite", "NVMイメージの書込み[ファイル->NVM](&W)", "Write NVM Image[File->NVM](&W)"},
      {"mnuWriteNVM_WithVerify", "ベリファイ有り", "With verify read"},
      {"mnuWriteNVM_WithoutVerify", "ベリファイ無し", "Without verify read"},
      {"mnuNVMComp", "NVMイメージのファイルとの比較(&C)", "Compare NVM with File(&C)"},
      {"mnuSregFile", "S Regファイル(&S)", "S Reg File(&S)"},
      {"mnuSregFileSel", "S Regファイルの選択(&O)", "Select S Reg File(&O)"},
      {"mnuSaveAsSreg", "名前を付けて保存(&A)", "Save as(&A)"},
      {"mnuSregOverWrite", "上書き保存(&S)", "Over write(&S)"},
      {"mnuHregFile", "H Regファイル(&H)", "H Reg File(&H)"},
      {"mnuHRegFileSel", "H Regファイルの選択(&O)", "Select H Reg File(&O)"},
      {"mnuSaveAsHreg", "名前を付けて保存(&A)", "Save as(&H)"},
      {"mnuHregOverWrite", "上書き保存(&S)", "Over write(&S)"},
      {"mnuSregSave", "Sreg,Hregの読み込み[Sreg,Hreg->ファイル]", "Read S,HReg Image[S,HReg->File]"},
      {"mnuSHregWrite", "Sreg,Hregの書込み[ファイル->Sreg,Hreg]", "Write S,HReg Image[File->S,HReg]"},
      {"mnuExit", "終了(&X)", "Close(&X)"},
      {"E1", "編集(&E)", "Edit(&E)"},
      {"mnuEditSreg", "S Regの編集", "Edit Sreg(&S)"},
      {"mnuHregEdit", "H Regの編集", "Edit HReg(&H)"},
      {"mnuTableEdit", "テーブル(&T)", "Edit Table(&T)"},
      {"mnuDataReload", "データの再読込み(&R)", "Reload data(&R)"},
      {"mnuCommand", "コマンド(&C)", "Command(&C)"},
      {"S1", "検索(&S)", "Search(&S)"},
      {"mnuSearch", "検索(&F)", "Search(&F)"},
      {"V1", "表示(&V)", "View(&V)"},
      {"mnuHexDeci", "10進/16進表示の切替え(&H)", "Hex <-> Decimal(&H)"},
      {"mnuMessageClear", "メッセージウィンドウのクリア(&C)", "Clear Message window(&C)"},
      {"T1", "ツール(&T)", "Tool(&T)"},
      {"mnuScriptRun", "スクリプト(&S)", "Script(&S)"},
      {"mnuAnalyzer", "アナライザ(&A)", "Analyzer(&A)"},
      {"mnuComPort", "通信ポート(&P)", "Com Port(&P)"},
      {"mnuColor", "色(&C)", "Color(&C)"},
      {"mnuMainWindowColor", "エディットWindow(E)", "Edit window color(&E)"},
      {"mnuMessageWIndowColor", "メッセージWindow(&M)", "Message window color(&M)"},
      {"mnuSelRegBack", "レジスタ選択背景色(&R)", "Selected register back color(&R)"},
      {"mnuFont", "フォント(&F)", "Font(&F)"},
      {"mnuEditWindowFont", "エディットWindow(&E)", "Edit window font(&E)"},
      {"mnuMessageWindowFont", "メッセージWindow(&M)", "Message window font(&M)"},
      {"mnuHelp", "ヘルプ(&H)", "Help(&H)"},
      {"mnuVundHelp", "Vundヘルプ((&C)", "Vund Help(&C)"},
      {"mnuSatsuItemInsert", "貼り付け(&P)", "Paste(&P)"},
      {"mnuStatusItemDelete", "削除(&D)", "Delete(&D)"},
      {"mnuStatusItemAdd", "新規項目の追加(&A)", "Add New Register(&A)"},
      {"mnuEditStatusItem", "編集(&E)", "Edit(&E)"},
      {"mnuRegCopy", "コピー(&C)", "Copy(&C)"},
      {"mnuRegPaste", "貼り付け(&P)", "Paste(&P)"},
      {"mnuRegDelete", "削除(&D)", "Delete(&D)"},
      {"mnuRegNew", "新規レジスタの追加(&A)", "Add new register(&A)"},
      {"mnuRegProperty", "プロパティ(&R)", "Property(&R)"},
      {"mnuTabNameChange", "名前の変更(&E)", "Edit Name(&E)"},
      {"mnuNewTabAdd", "新規タブの追加(&A)", "Add Tab(&A)"},
      {"mnuDeleteTab", "タブの削除(&D)", "Delete Tab(&D)"},
  };
  return table;
}

std::string MenuCaptionOf(const std::string& item, bool japanese) {
  for (const MenuCaption& c : MenuCaptions())
    if (item == c.item) return japanese ? c.japanese : c.english;
  return std::string();
}

}  // namespace rules
