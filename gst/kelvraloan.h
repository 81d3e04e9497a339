/* Frames lent by the library's frame queue, wrapped as GstBuffers without a copy. The buffer
 * gives its frame back to the library when its last reference goes, on whatever thread that
 * is, even after the element stopped and released its handle (the library keeps such frames
 * readable until they come back). */
#ifndef KELVRA_LOAN_H
#define KELVRA_LOAN_H

#include <gst/gst.h>
#include <stdint.h>

#include "KelvraSdk.h"

G_BEGIN_DECLS

/* Counts the frames an element has lent downstream. Reference-counted: each buffer holds one
 * reference, so the ledger outlives the element when buffers do. */
typedef struct KelvraLedger KelvraLedger;

KelvraLedger* kelvra_ledger_new(void);
KelvraLedger* kelvra_ledger_ref(KelvraLedger* ledger);
void kelvra_ledger_unref(KelvraLedger* ledger);
/* Frames wrapped and not yet given back. Any thread. */
gint kelvra_ledger_outstanding(KelvraLedger* ledger);

/* A buffer over frame->data (frame->bytes long) that gives the frame back with
 * Kelvra_ReleaseFrame(handle, frame) when freed. Only the memory: timestamps, offsets and flags
 * are the caller's to set. */
GstBuffer* kelvra_loan_wrap(KelvraLedger* ledger, int handle, const KELVRA_FRAME* frame);

/* Moves 12-bit samples to the top of their 16 bits, in place, for viewers that expect the full
 * range: rows of `width` samples, `stride` bytes apart. */
void kelvra_left_justify(void* data, int width, int height, int stride);

G_END_DECLS

#endif
