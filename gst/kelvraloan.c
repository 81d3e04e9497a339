#include "kelvraloan.h"

struct KelvraLedger {
    gint refs;
    gint outstanding;
};

/* One lent frame: what Kelvra_ReleaseFrame needs to give it back. */
typedef struct {
    KelvraLedger* ledger;
    int handle;
    KELVRA_FRAME frame;
    /* Set last when the loan is filled, read first when it ends: the thread that frees the
     * buffer is rarely the one that wrapped it, and GStreamer's hand-over between them is not
     * visible to the race detector. */
    gint filled;
} KelvraLoan;

/* Samples of 16-bit frames hold 12 significant bits. */
#define KELVRA_LEFT_JUSTIFY_SHIFT 4

KelvraLedger* kelvra_ledger_new(void) {
    KelvraLedger* ledger = g_new0(KelvraLedger, 1);
    g_atomic_int_set(&ledger->refs, 1);
    return ledger;
}

KelvraLedger* kelvra_ledger_ref(KelvraLedger* ledger) {
    g_atomic_int_inc(&ledger->refs);
    return ledger;
}

void kelvra_ledger_unref(KelvraLedger* ledger) {
    if (g_atomic_int_dec_and_test(&ledger->refs)) g_free(ledger);
}

gint kelvra_ledger_outstanding(KelvraLedger* ledger) {
    return g_atomic_int_get(&ledger->outstanding);
}

static void kelvra_loan_end(gpointer data) {
    KelvraLoan* loan = data;
    (void)g_atomic_int_get(&loan->filled);
    Kelvra_ReleaseFrame(loan->handle, &loan->frame);
    g_atomic_int_add(&loan->ledger->outstanding, -1);
    kelvra_ledger_unref(loan->ledger);
    g_free(loan);
}

GstBuffer* kelvra_loan_wrap(KelvraLedger* ledger, int handle, const KELVRA_FRAME* frame) {
    KelvraLoan* loan = g_new(KelvraLoan, 1);
    loan->ledger = kelvra_ledger_ref(ledger);
    loan->handle = handle;
    loan->frame = *frame;
    g_atomic_int_inc(&ledger->outstanding);
    g_atomic_int_set(&loan->filled, 1);
    const gsize bytes = (gsize)frame->bytes;
    return gst_buffer_new_wrapped_full(0, frame->data, bytes, 0, bytes, loan, kelvra_loan_end);
}

void kelvra_left_justify(void* data, int width, int height, int stride) {
    uint8_t* rows = data;
    for (int y = 0; y < height; ++y) {
        uint16_t* row = (uint16_t*)(void*)(rows + (size_t)y * (size_t)stride);
        for (int x = 0; x < width; ++x) row[x] = (uint16_t)(row[x] << KELVRA_LEFT_JUSTIFY_SHIFT);
    }
}
