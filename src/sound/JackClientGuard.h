#pragma once

// libjack crashes (in jack_deactivate) when a client whose server has gone is shut down, and
// PortAudio's JACK layer aborts the program when closing such a client fails; yet PortAudio must
// be shut down to be set up again once the server is back. So this program's jack_on_shutdown,
// jack_deactivate and jack_client_close take the place of libjack's (an executable's own
// definitions come first): a client told that its server has shut down is marked, and
// deactivating and closing a marked client do nothing (the connection to the gone server is left
// behind). Other clients go through to libjack.
//
// Call once before PortAudio is set up, so that this part of the program is linked in.
void WatchJackClientShutdowns();
