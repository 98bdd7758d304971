; Zelvorant tune driver: three-voice song player for the SID.
;
; Assembled with 64tass once per tune by tools/sidsong, which generates a
; small top-level file that defines the song tables (see below) and includes
; this one. Entry points:
;   init  A = sub-song number (any value; reduced modulo SUBSONGS)
;   play  one call per 1/50 s frame
; Both return with RTS. The driver writes only $D400-$D418, its own
; variables (inside this file's block) and the zero-page bytes ZP..ZP+3.
; It uses no decimal mode, no interrupts and only documented opcodes.
;
; Tables the generated file defines (absolute addresses):
;   ORDLO/ORDHI[3]    order list of each voice
;   PATLO/PATHI[n]    pattern start addresses
;   SUBPOS[s*3+v]     order position of voice v for sub-song s
;   SUBSONGS          number of sub-songs (constant)
;   INS_AD INS_SR INS_WAVE INS_PW INS_PWS INS_VIBD INS_VIBS INS_VIBX
;   INS_FILT INS_CUT INS_CUTS INS_FLAGS INS_GLIDE   one byte per instrument
;   WT_WAVE/WT_NOTE   wave table: waveform, note (+n relative, $80+n absolute);
;                     waveform $FF jumps to entry WT_NOTE
;
; Order list bytes: $00-$7F pattern, $80-$BF transpose (value - $A0),
; $FF nn jump to position nn.
; Pattern bytes: $00-$5F note, $60 rest (gate off), $61 tie (keep sounding),
; $62 next note is tied (no hard restart before its end), $63 the next note
; slides in from the previous one (no fresh attack), $80-$BF duration
; (value - $7F ticks), $C0-$DF instrument, $E0-$EF master volume,
; $F0 nn duration of nn ticks, $FF end of pattern.

ZP      = $fb                   ; two pointers: ZP (pattern), ZP+2 (order)

FL_LEGATO = $01                 ; instrument flag: no hard restart

init
-       cmp #SUBSONGS
        bcc +
        sbc #SUBSONGS
        jmp -
+       sta v_tmp
        asl a
        adc v_tmp               ; sub-song * 3
        pha
        ldx #vars_end - vars - 1
        lda #0
-       sta vars,x
        dex
        bpl -
        ldx #$18
-       sta $d400,x
        dex
        bpl -
        pla
        tay
        ldx #0
-       lda SUBPOS,y
        sta v_ord,x
        lda #1
        sta v_dur,x
        lda #$ff
        sta v_patend,x          ; no pattern yet: read the order list first
        iny
        inx
        cpx #3
        bne -
        lda #$0f
        sta v_vol
        lda #$ff
        sta v_fowner
        rts

play
        ldx #2
voice_loop
        lda sid_off,x
        sta v_sid
        dec v_dur,x
        bne no_event
        jsr read_events
        jmp effects
no_event
        lda v_dur,x             ; hard restart: gate off for the last tick
        cmp #1
        bne effects
        lda v_nohr,x
        bne effects
        ldy v_ins,x
        lda INS_FLAGS,y
        and #FL_LEGATO
        bne effects
        lda #0
        sta v_gate,x
effects
        jsr voice_tick
        dex
        bpl voice_loop

        ; filter: the voice that owns it sweeps the cutoff
        ldx v_fowner
        bmi filter_out
        ldy v_ins,x
        lda INS_CUTS,y
        beq filter_out
        bmi cut_down
        clc
        adc v_cut
        bcc +
        lda #$ff
+       sta v_cut
        jmp filter_out
cut_down
        clc
        adc v_cut
        bcs +
        lda #0
+       sta v_cut
filter_out
        lda #0
        sta $d415
        lda v_cut
        sta $d416
        lda v_res
        ora v_route
        sta $d417
        lda v_ftype
        ora v_vol
        sta $d418
        rts

; Reads pattern events of voice X until a note, rest or tie.
read_events
        lda #0
        sta v_nohr,x
next_pattern_byte
        ldy v_patend,x
        beq +
        jsr next_order
+       lda v_patlo,x
        sta ZP
        lda v_pathi,x
        sta ZP+1
        ldy v_pos,x
ev_loop
        lda (ZP),y
        iny
        cmp #$60
        bcc ev_note
        beq ev_rest
        cmp #$61
        beq ev_tie
        cmp #$62
        beq ev_tiednext
        cmp #$63
        beq ev_slide
        cmp #$c0
        bcc ev_dur
        cmp #$e0
        bcc ev_ins
        cmp #$f0
        bcc ev_vol
        beq ev_longdur
        ; $FF: pattern ends
        lda #1
        sta v_patend,x
        jmp next_pattern_byte
ev_tiednext
        lda #1
        sta v_nohr,x
        jmp ev_loop
ev_slide
        lda #1
        sta v_slnext,x
        jmp ev_loop
ev_dur
        sbc #$7e                ; carry is clear: value - $7F
        sta v_durset,x
        jmp ev_loop
ev_longdur
        lda (ZP),y
        iny
        sta v_durset,x
        jmp ev_loop
ev_ins
        and #$1f
        sta v_ins,x
        jmp ev_loop
ev_vol
        and #$0f
        sta v_vol
        jmp ev_loop
ev_tie
        tya
        sta v_pos,x
        lda v_durset,x
        sta v_dur,x
        rts
ev_rest
        tya
        sta v_pos,x
        lda v_durset,x
        sta v_dur,x
        lda #0
        sta v_gate,x
        rts
ev_note
        clc
        adc v_trans,x
        cmp #96
        bcc +
        lda #95                 ; out of range after transposing
+       pha
        lda v_slnext,x
        beq slide_none
        ; a slide starts at the old note's frequency: offset = freq(old) - freq(new),
        ; which voice_tick walks back to zero by the instrument's glide per frame
        sty v_tmp2              ; the pattern position
        ldy v_note,x
        lda freq_lo,y
        sta v_sll,x
        lda freq_hi,y
        sta v_slh,x
        pla
        pha
        tay
        sec
        lda v_sll,x
        sbc freq_lo,y
        sta v_sll,x
        lda v_slh,x
        sbc freq_hi,y
        sta v_slh,x
        ldy v_tmp2
        jmp slide_set
slide_none
        sta v_sll,x             ; A = 0: no offset
        sta v_slh,x
slide_set
        pla
        sta v_note,x
        tya
        sta v_pos,x
        lda v_durset,x
        sta v_dur,x
        ; start the note with its instrument
        ldy v_ins,x
        lda INS_WAVE,y
        sta v_wpos,x
        lda INS_PW,y            ; pulse width / 16
        pha
        lsr a
        lsr a
        lsr a
        lsr a
        sta v_pwhi,x
        pla
        asl a
        asl a
        asl a
        asl a
        sta v_pwlo,x
        lda INS_PWS,y
        sta v_pws,x
        lda INS_VIBD,y
        sta v_vibt,x
        lda INS_VIBS,y
        lsr a
        sta v_vibc,x
        lda #0
        sta v_vibdir,x
        sta v_vibol,x
        sta v_viboh,x
        ; vibrato step: (freq(note+1) - freq(note)) >> depth
        sty v_tmp
        ldy v_note,x
        lda freq_lo+1,y
        sec
        sbc freq_lo,y
        sta v_tmp2
        lda freq_hi+1,y
        sbc freq_hi,y
        ldy v_tmp
        pha
        lda INS_VIBX,y
        tay
        pla
        cpy #0
        beq vib_done
-       lsr a
        ror v_tmp2
        dey
        bne -
        sta v_vibsh,x
        lda v_tmp2
        sta v_vibsl,x
        jmp +
vib_done
        lda #0
        sta v_vibsh,x
        sta v_vibsl,x
+       ldy v_tmp
        ; envelope, then the gate (written by voice_tick)
        lda v_slnext,x
        bne +                   ; a slide keeps the envelope going
        lda INS_FLAGS,y
        and #FL_LEGATO
        bne +
        sty v_tmp
        ldy v_sid
        lda #0
        sta $d404,y             ; gate off for one write: a fresh attack
        ldy v_tmp
+
        lda #0
        sta v_slnext,x
        lda INS_AD,y
        pha
        lda INS_SR,y
        ldy v_sid
        sta $d406,y
        pla
        sta $d405,y
        lda #1
        sta v_gate,x
        ; filter routing
        ldy v_ins,x
        lda INS_FILT,y
        beq no_filter
        and #$f0
        sta v_res
        lda INS_FILT,y
        asl a
        asl a
        asl a
        asl a
        sta v_ftype
        lda INS_CUT,y
        sta v_cut
        stx v_fowner
        lda v_route
        ora route_bit,x
        sta v_route
        rts
no_filter
        lda route_bit,x
        eor #$ff
        and v_route
        sta v_route
        cpx v_fowner
        bne +
        lda #$ff
        sta v_fowner
+       rts

; Advances the order list of voice X to the next pattern.
next_order
        lda ORDLO,x
        sta ZP+2
        lda ORDHI,x
        sta ZP+3
        ldy v_ord,x
ord_loop
        lda (ZP+2),y
        iny
        cmp #$80
        bcc ord_pattern
        cmp #$ff
        beq ord_jump
        sec
        sbc #$a0
        sta v_trans,x
        jmp ord_loop
ord_jump
        lda (ZP+2),y
        tay
        jmp ord_loop
ord_pattern
        sta v_tmp
        tya
        sta v_ord,x
        ldy v_tmp
        lda PATLO,y
        sta v_patlo,x
        lda PATHI,y
        sta v_pathi,x
        lda #0
        sta v_pos,x
        sta v_patend,x
        rts

; Wave table, pulse, vibrato and the voice's registers, once per frame.
voice_tick
        ldy v_wpos,x
        lda WT_WAVE,y
        cmp #$ff
        bne +
        lda WT_NOTE,y
        tay
        lda WT_WAVE,y
+       and #$fe
        ora v_gate,x
        sta v_ctrl
        lda WT_NOTE,y
        bmi wt_abs
        clc
        adc v_note,x
        jmp +
wt_abs
        and #$7f
+       cmp #95
        bcc +
        lda #95
+       sta v_tmp
        iny
        tya
        sta v_wpos,x

        ; vibrato: a triangle around the note after a delay
        lda v_vibt,x
        beq vib_run
        dec v_vibt,x
        jmp vib_add
vib_run
        lda v_vibsl,x
        ora v_vibsh,x
        beq vib_add
        lda v_vibdir,x
        bne vib_down
        clc
        lda v_vibol,x
        adc v_vibsl,x
        sta v_vibol,x
        lda v_viboh,x
        adc v_vibsh,x
        sta v_viboh,x
        jmp vib_count
vib_down
        sec
        lda v_vibol,x
        sbc v_vibsl,x
        sta v_vibol,x
        lda v_viboh,x
        sbc v_vibsh,x
        sta v_viboh,x
vib_count
        inc v_vibc,x
        ldy v_ins,x
        lda v_vibc,x
        cmp INS_VIBS,y
        bcc vib_add
        lda #0
        sta v_vibc,x
        lda v_vibdir,x
        eor #1
        sta v_vibdir,x
vib_add
        jsr slide_step
        ldy v_tmp
        clc
        lda freq_lo,y
        adc v_vibol,x
        sta v_tmp
        lda freq_hi,y
        adc v_viboh,x
        sta v_tmp2
        clc                     ; plus the slide offset
        lda v_tmp
        adc v_sll,x
        sta v_tmp
        lda v_tmp2
        adc v_slh,x
        ldy v_sid
        sta $d401,y
        lda v_tmp
        sta $d400,y

        ; pulse width sweep, turning at $080 and $F00
        lda v_pws,x
        beq pw_out
        bmi pw_down
        clc
        adc v_pwlo,x
        sta v_pwlo,x
        lda v_pwhi,x
        adc #0
        sta v_pwhi,x
        cmp #$0f
        bcc pw_out
        jmp pw_turn
pw_down
        clc
        adc v_pwlo,x
        sta v_pwlo,x
        lda v_pwhi,x
        adc #$ff
        sta v_pwhi,x
        bne pw_out
        lda v_pwlo,x
        cmp #$80
        bcs pw_out
pw_turn
        lda v_pws,x
        eor #$ff
        clc
        adc #1
        sta v_pws,x
pw_out
        lda v_pwlo,x
        sta $d402,y
        lda v_pwhi,x
        sta $d403,y
        lda v_ctrl
        sta $d404,y
        rts

; Moves the slide offset of voice X one glide step toward zero.
slide_step
        lda v_slh,x
        bmi slide_rise
        ora v_sll,x
        beq slide_done
        ldy v_ins,x
        sec
        lda v_sll,x
        sbc INS_GLIDE,y
        sta v_sll,x
        lda v_slh,x
        sbc #0
        sta v_slh,x
        bcs slide_done          ; still at or above zero
slide_zero
        lda #0
        sta v_sll,x
        sta v_slh,x
slide_done
        rts
slide_rise
        ldy v_ins,x
        clc
        lda v_sll,x
        adc INS_GLIDE,y
        sta v_sll,x
        lda v_slh,x
        adc #0
        sta v_slh,x
        bcs slide_zero          ; crossed zero
        rts

sid_off   .byte 0, 7, 14
route_bit .byte 1, 2, 4

freq    .function n
        .endf (n < 95) ? round(440.0 * 2.0 ** ((n - 57) / 12.0) * 16777216.0 / 985248.0) : $ffff

; Frequencies of notes C-0 .. B-7 (plus one guard entry) for a PAL machine.
freq_lo
.for n := 0, n < 97, n += 1
        .byte <freq(n)
.endfor
freq_hi
.for n := 0, n < 97, n += 1
        .byte >freq(n)
.endfor

; Variables (cleared by init).
vars
v_tmp     .byte 0
v_tmp2    .byte 0
v_sid     .byte 0
v_ctrl    .byte 0
v_vol     .byte 0
v_cut     .byte 0
v_res     .byte 0
v_route   .byte 0
v_ftype   .byte 0
v_fowner  .byte 0
v_dur     .fill 3, 0
v_durset  .fill 3, 0
v_pos     .fill 3, 0
v_patend  .fill 3, 0
v_patlo   .fill 3, 0
v_pathi   .fill 3, 0
v_ord     .fill 3, 0
v_trans   .fill 3, 0
v_ins     .fill 3, 0
v_note    .fill 3, 0
v_gate    .fill 3, 0
v_nohr    .fill 3, 0
v_wpos    .fill 3, 0
v_pwlo    .fill 3, 0
v_pwhi    .fill 3, 0
v_pws     .fill 3, 0
v_vibt    .fill 3, 0
v_vibc    .fill 3, 0
v_vibdir  .fill 3, 0
v_vibsl   .fill 3, 0
v_vibsh   .fill 3, 0
v_vibol   .fill 3, 0
v_viboh   .fill 3, 0
v_slnext  .fill 3, 0
v_sll     .fill 3, 0
v_slh     .fill 3, 0
vars_end
