#pragma once

// libjack crashes (in jack_deactivate) when a client whose server has gone is shut down, and
// PortAudio's JACK layer aborts the program when closing such a client or its ports fails; yet
// PortAudio must be shut down to be set up again once the server is back. So this program's
// jack_on_shutdown, jack_deactivate, jack_port_unregister and jack_client_close take the place of
// libjack's (an executable's own definitions come first): a client told that its server has shut
// down is marked, and deactivating and closing a marked client or its ports do nothing (the
// connection to the gone server is left behind). Other clients go through to libjack.
//
// Call once before PortAudio is set up, so that this part of the program is linked in.
void WatchJackClientShutdowns();

// Tells every client whose server has shut down so once more. PortAudio's JACK layer, stopping a
// stream, waits for a wake-up that its shutdown handler gives only while someone waits; told
// before, it waits ten minutes. Any thread may call it, while PortAudio is set up.
void RepeatJackShutdownNotices();
