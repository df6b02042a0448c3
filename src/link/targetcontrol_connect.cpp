// Target control: opening the link and choosing the protocol.
#include "link/comport.h"
#include "link/ecs2.h"
#include "link/ecs3.h"
#include "link/targetcontrol.h"
#include "link/targetcontrol_internal.h"
#include "link/usbcomcontrol.h"
#include "model/systemfunc.h"
#include "platform/clock.h"
#include "platform/convert.h"
#include "platform/mainwindowservices.h"
#include "platform/ui.h"

namespace {

constexpr int kErrorBox = 0x10;  // OK button, error icon

}  // namespace

bool TTargetControl::OpenComPort() {
  DropLink();
  const int port = settings_.ComPort;
  auto layer = std::make_unique<TComPort>();
  layer->SetDevicePath(settings_.DevicePath);
  if (!layer->Open(static_cast<uint8_t>(port), static_cast<uint8_t>(settings_.BaudRate), 0, 0, 0, 0)) {
    // The box names only the port: the log says which device and why.
    if (!layer->OpenFailure().empty()) services_.AddMessage(layer->OpenFailure());
    ui_.ShowMessageBoxJE("ERROR", platform::Format("COM PortのOpenに失敗しました COM Port = %d", port + 1), "ERROR",
                         platform::Format("Fail to open COM Port ! (COM Port = %d)", port + 1), kErrorBox);
    return false;
  }
  bus_ = std::move(layer);
  return true;
}

bool TTargetControl::OpenUsbDevice() {
  DropLink();
  const int vendorId = settings_.VenderID, productCode = settings_.ProductCode;
  const int inEndPoint = settings_.InEndPoint, outEndPoint = settings_.OutEndPoint;
  auto layer = std::make_unique<TUsbComControl>();
  if (!layer->OpenUsb(static_cast<uint16_t>(vendorId), static_cast<uint16_t>(productCode),
                      static_cast<uint8_t>(inEndPoint), static_cast<uint8_t>(outEndPoint))) {
    // The box names the settings: the log says what libusb found.
    services_.AddMessage(layer->OpenFailure(ui_.IsJapanese()));
    const std::string reasonJ = layer->EndpointFailure(true), reasonE = layer->EndpointFailure(false);
    ui_.ShowMessageBoxJE(
        "ERROR",
        platform::Format("USBのOpenに失敗しました \r\nVenderID = 0x%X, ProductCode = 0x%X,INEndPoint = "
                         "%d,OutEndPoint = %d",
                         vendorId, productCode, inEndPoint, outEndPoint) +
            (reasonJ.empty() ? "" : "\r\n" + reasonJ),
        "ERROR",
        platform::Format("Fail to  open USB Device \r\nVenderID= 0x%X, ProductCode = 0x%X,INEndPoint = "
                         "%d,OutEndPoint = %d",
                         vendorId, productCode, inEndPoint, outEndPoint) +
            (reasonE.empty() ? "" : "\r\n" + reasonE),
        kErrorBox);
    return false;
  }
  bus_ = std::move(layer);
  return true;
}

bool TTargetControl::OpenLink(TLinkSettingsSource& source) {
  switch (settings_.BusPhysicalLayer) {
    case BusLayer::Serial:
      if (!OpenComPort()) {
        if (!source.ChooseComPort()) return false;
        settings_ = source.GetLinkSettings();
        if (!OpenComPort()) return false;
        source.KeepComPort();
      }
      break;
    case BusLayer::Usb:
      if (!OpenUsbDevice()) return false;
      break;
    default:
      // An unknown link type opens nothing and keeps the current layer; with
      // none, the user learns which setting stands in the way.
      if (!bus_)
        ui_.ShowMessageBoxJE("ERROR", "サポートされていないBusPhysicalLayerが設定されています。\nVund2.iniを確認してください",
                             "ERROR", "Selected BusPhysicalLayer is not supported!\n Check vund2.ini", kErrorBox);
      break;
  }
  return bus_ != nullptr;
}

bool TTargetControl::MakeProtocol(platform::Clock& clock) {
  if (protocol_) protocol_->SetBus(nullptr);
  protocol_.reset();
  switch (settings_.EcsType) {
    case EcsProtocol::Ecs2:
      protocol_ = std::make_unique<TEcs2>(settings_, clock);
      break;
    case EcsProtocol::Ecs3:
      protocol_ = std::make_unique<TEcs3>(settings_, clock);
      break;
    default:
      ui_.ShowMessageBoxJE("ERROR", "サポートされていないECS protocolが設定されています。\nVund2.iniを確認してください",
                           "ERROR", "Selected ECS protocol is not supported!\n Check vund2.ini", kErrorBox);
      return false;
  }
  protocol_->SetBus(bus_.get());
  return true;
}

bool TTargetControl::Connect(TLinkSettingsSource& settings) {
  noLinkNoticeGiven_ = false;
  settings_ = settings.GetLinkSettings();
  if (!OpenLink(settings)) {
    // Nothing may keep using a protocol whose layer is gone.
    protocol_.reset();
    return false;
  }
  return MakeProtocol(steadyClock_);
}

// Reconnect opens and refuses exactly as Connect does: an unsupported ECS type
// must not leave a "connected" link without a protocol.
bool TTargetControl::Reconnect(TLinkSettingsSource& settings) { return Connect(settings); }

bool TTargetControl::ConnectWith(std::unique_ptr<TBusPhysicalLayer> bus, platform::Clock& clock,
                                 const TLinkSettings& settings) {
  noLinkNoticeGiven_ = false;
  settings_ = settings;
  DropLink();
  bus_ = std::move(bus);
  if (!bus_) {
    protocol_.reset();
    return false;
  }
  return MakeProtocol(clock);
}
