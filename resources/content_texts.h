// Texts that go with the content: the captions of portraits 1-4 (the band members' names,
// at most 49 characters each) and the author's address for the dialog's credits.
#ifndef QUORVANE_CONTENT_TEXTS_H
#define QUORVANE_CONTENT_TEXTS_H

#define CAPTION_1 "Maren Tollivar"
#define CAPTION_2 "Dario Okonkwe"
#define CAPTION_3 "Lasse Brindholm"
#define CAPTION_4 "Yuki Arvensdal"

#define AUTHOR_EMAIL "bram.olvesk@example.org"

#endif
