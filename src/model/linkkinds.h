// What Vund2.ini's [Bus] section chooses: the physical layer and the
// protocol. The numbers are the ones stored; other stored numbers are kept
// as they are and refused where the link is made.
#pragma once

enum class BusLayer { Serial = 0, Usb = 1 };
enum class EcsProtocol { Ecs2 = 0, Ecs3 = 2 };
