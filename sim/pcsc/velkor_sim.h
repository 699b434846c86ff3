#ifndef VELKOR_SIM_H
#define VELKOR_SIM_H

/* Driving libvelkor-pcsc-sim.so from a test in the same process. Look the functions up with
 * dlsym on the handle of the loaded library (the program under test loads it by path), or link
 * the library. Reader names and card descriptions are UTF-8; a card description is the JSON of
 * a reader's "card" object in the configuration. */

#ifdef __cplusplus
extern "C" {
#endif

enum {
    VELKOR_SIM_OK = 0,
    VELKOR_SIM_UNKNOWN_READER = -1, /* no reader of that name in the configuration */
    VELKOR_SIM_NO_CARD = -2, /* removing from an empty reader; nothing to re-insert */
    VELKOR_SIM_CARD_PRESENT = -3, /* inserting into a reader that holds a card */
    VELKOR_SIM_BAD_CARD = -4, /* the card description is not usable (reported on stderr) */
    VELKOR_SIM_BAD_CONFIG = -5, /* VELKOR_SIM_CONFIG is missing or unusable (reported on stderr) */
    VELKOR_SIM_NO_SCRIPT = -6 /* the card answers from a model, not from a script */
};

/* Reads VELKOR_SIM_CONFIG afresh: new readers, cards, faults and events. Contexts stay valid;
 * every card handle sees its card removed. */
int velkor_sim_reload(void);

/* Takes the card out of the reader. Handles to it answer 0x80100069 from then on; a new
 * connection answers 0x8010000C until a card is inserted (0x8010000B while an old handle still
 * holds the reader exclusively). */
int velkor_sim_remove_card(const char* reader);

/* Puts a card into an empty reader: the card described by cardJson, or, when cardJson is NULL,
 * the card last removed from that reader, in the state it was taken out (its script continues). */
int velkor_sim_insert_card(const char* reader, const char* cardJson);

/* How far the scripted card of the reader (inserted, or last removed) got: entries answered,
 * entries in the script, and commands answered 6F00. */
int velkor_sim_script_progress(
    const char* reader, unsigned long* consumed, unsigned long* total, unsigned long* mismatches);

/* How many SCardConnect calls so far met a reader on which another handle holds a transaction.
 * A real pcscd would never answer them (the caller hangs); the simulator answers 0x8010000A
 * (SCARD_E_TIMEOUT) and reports each one on stderr. A test should expect this to stay 0. */
unsigned long velkor_sim_blocked_connects(void);

#ifdef __cplusplus
}
#endif

#endif
