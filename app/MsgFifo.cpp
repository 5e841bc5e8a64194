#include "app/MsgFifo.h"

// The MIDI FIFO's instance is compiled once here.
template class MsgFifo<MidiFifoEntry, kMidiFifoSlots>;
