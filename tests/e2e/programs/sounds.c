/* Sounds, channels and music as a game uses them. The test writes the sound
 * files into the folder and picks the scenario. */
#include "test_folder.h"

static int load(const char *name) { return _floadsound(in_folder(name)); }
static int music(const char *name) { return _fplaymusic(in_folder(name)); }
static void say(const char *label, int value) { kprint2(label, __qyStrFromInt(value)); }

/* Waits until the channel has stopped playing (at most about two seconds). */
static void wait_end(int channel) {
    for (int i = 0; i < 200 && _fchannelplaying(channel); ++i) _fdelay(10);
}

static void channels(void) {
    int blip = load("/short.wav");
    int tone = load("/tone.wav");
    say("loaded ", blip != 0 && tone != 0);
    int first = _fplaysound(blip);
    say("playing ", _fchannelplaying(first));
    wait_end(first);
    say("ended ", _fchannelplaying(first));
    say("reused ", _fplaysound(blip) == first);

    /* Play and stop fifty times: the handles come back. */
    int handles[3] = {0, 0, 0}, distinct = 0;
    for (int i = 0; i < 50; ++i) {
        int channel = _fplaysound(tone);
        int known = 0;
        for (int k = 0; k < distinct; ++k) known |= handles[k] == channel;
        if (!known && distinct < 3) handles[distinct++] = channel;
        _fstopchannel(channel);
    }
    say("handles ", distinct);

    /* A channel whose sound has ended controls nothing that later takes its voice. */
    _fdelay(100);
    int old = _fplaysound(blip);
    wait_end(old);
    int song = music("/tone.ogg");
    _fstopchannel(old);
    _fchannelvolume(old, 0.0f);
    say("old playing ", _fchannelplaying(old));
    say("music playing ", _fchannelplaying(song));

    /* The same name gives the same channel, started again. */
    _fstopchannel(song);
    say("stopped music ", _fchannelplaying(song));
    _fchannelvolume(song, 0.5f); /* a stopped stream: nothing happens */
    _fchannelpitch(song, 11025);
    _fpausechannel(song);
    say("same channel ", music("/tone.ogg") == song);
    say("restarted ", _fchannelplaying(song));
    wait_end(song);
    say("played once ", _fchannelplaying(song));
    int mp3 = music("/tone.mp3");
    say("mp3 ", mp3 != 0 && _fchannelplaying(mp3));
    _fstopchannel(mp3);

    /* Thirty-three at once: the engine has thirty-two voices. */
    int started = 0, last = 0;
    for (int i = 0; i < 33; ++i) {
        last = _fplaysound(tone);
        started += last != 0;
    }
    say("started ", started);
    say("thirty-third ", last);
    _ffreesound(tone); /* while it plays on every voice */
    say("after free ", _fplaysound(blip) != 0);

    /* Channel 0 and hostile values. */
    _fstopchannel(0);
    _fpausechannel(0);
    _fchannelvolume(0, 1.0f);
    say("channel 0 ", _fchannelplaying(0));
    int wild = _fplaysound(blip);
    _fchannelvolume(wild, __builtin_nanf(""));
    _fchannelpan(wild, __builtin_inff());
    _fchannelpitch(wild, 0);
    _fchannelpitch(wild, -5);
    _fchannelpitch(wild, 2000000000);
    _fsoundvolume(blip, -__builtin_inff());
    _fsoundpan(blip, 1e30f);
    _fsoundpitch(blip, -44100);
    _fplaysound(blip);
    _fdelay(50);
    say("wild ", 1);

    /* Music files: a module, MIDI, ".WAV" in capitals (no module: streamed). */
    say("module ", music("/song.mod") != 0);
    say("midi ", music("/song.mid") != 0);
    say("capital wav ", music("/MUSIC.WAV") != 0);
    int cd = _fplaycdtrack(3, 3);
    say("cd ", cd != 0 && cd == _fplaycdtrack(1, 1) && _fchannelplaying(cd));

    /* Damaged files give 0. */
    say("bad wav ", load("/damaged.wav"));
    say("cut wav ", load("/cut.wav"));
    say("bad ogg ", music("/damaged.ogg"));
    say("bad mp3 ", music("/damaged.mp3"));
    say("bad module ", music("/damaged.mod"));
    say("bad midi ", music("/damaged.mid"));
    say("missing ", load("/missing.wav") + music("/missing.ogg"));

    /* A stream whose file goes away while it plays. */
    int doomed = music("/doomed.ogg");
    _fdeletefile(in_folder("/doomed.ogg"));
    _fdelay(200);
    say("deleted still playing ", _fchannelplaying(doomed));
    wait_end(doomed);
    say("same name again ", music("/doomed.ogg") == doomed);
}

/* Phases separated by silences, for the test to measure in the output. */
static void mixed(void) {
    int tone = load("/tone.wav");
    _fdelay(300);
    _fplaysound(tone); /* centre */
    _fdelay(700);
    int left = _fplaysound(tone);
    _fchannelpan(left, -1.0f);
    _fdelay(700);
    _fsoundvolume(tone, 0.25f);
    _fplaysound(tone);
    _fdelay(700);
    _fsoundvolume(tone, 1.0f);
    _fsoundpitch(tone, 44100); /* twice its own rate: an octave up, half as long */
    _fplaysound(tone);
    _fdelay(700);
    int song = music("/song.mod");
    _fdelay(700);
    _fstopchannel(song);
    _fdelay(300);
    int paused = _fplaysound(load("/long.wav"));
    _fdelay(200);
    _fpausechannel(paused);
    _fdelay(500);
    _fresumechannel(paused);
    _fdelay(200);
    _fstopchannel(paused);
    _fdelay(300);
}

static void midi(void) {
    int song = music("/song.mid");
    _fdelay(800);
    say("midi playing ", _fchannelplaying(song));
    _fstopchannel(song);
    _fdelay(200);
}

void __MAIN(void) {
    switch (scenario()) {
        case 0: channels(); break;
        case 1: mixed(); break;
        case 2: _fsoundvolume(12345, 0.5f); break;
        case 3: {
            int sound = load("/tone.wav");
            _ffreesound(sound);
            _ffreesound(sound); /* freed before: nothing happens */
            _floopsound(sound);
            break;
        }
        case 4: say("played ", _fplaysound(load("/tone.wav")) != 0); _fdelay(100); break;
        case 5: midi(); break;
    }
    kprint("done");
}
