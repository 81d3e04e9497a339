/* The camera controls the element sets through the public API: each one a setter and a getter
 * of the library, so that the element can apply a value, read it back and put back the value it
 * found. */
#ifndef KELVRA_CONTROLS_H
#define KELVRA_CONTROLS_H

#include <glib.h>

G_BEGIN_DECLS

typedef enum {
    KELVRA_CONTROL_EXPOSURE,   /* microseconds */
    KELVRA_CONTROL_GAIN,       /* global gain */
    KELVRA_CONTROL_COOLER,     /* 0 off, 1 on */
    KELVRA_CONTROL_FLAT_FIELD, /* flat-field (mask) correction, 0 or 1 */
    KELVRA_CONTROL_DOT_FILTER, /* defect-pixel filter, 0 or 1 */
    KELVRA_N_CONTROLS
} KelvraControl;

/* Sets a control on the handle's camera; TRUE when the library took it, else FALSE with the
 * library's code in *code. */
gboolean kelvra_control_set(int handle, KelvraControl control, int value, int* code);
/* Reads a control; TRUE with *value, else FALSE with the library's code in *code. */
gboolean kelvra_control_get(int handle, KelvraControl control, int* value, int* code);
/* Empties the handle's error history, so that the code read after a failed call is that call's. */
void kelvra_forget_errors(int handle);
/* "setting the exposure" and the like, for messages. */
const char* kelvra_control_action(KelvraControl control);

G_END_DECLS

#endif
