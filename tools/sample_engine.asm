; The sample patch engine: a stand-in for a real one, for the demonstration
; and the tests. Staged as Patch.exe, it is started by PATCH.BAT in MS-DOS
; mode with the product folder as its current folder. It reads Patch.rtp there
; and writes ENGINE.LOG beside it: the folder, the file's size and its CRC-32
; (the reflected CRC of zlib), the same lines it shows on the screen. With no
; Patch.rtp it says so, in the log too, and ends with a non-zero code.
;   nasm -f bin -o ENGINE.COM sample_engine.asm
; A flat .COM image: DOS starts a file without an MZ header as one, whatever
; its extension. Exit codes: 0 read whole, 1 no Patch.rtp, 2 a read failed,
; 3 the log could not be written.
        cpu     386
        bits    16
        org     100h

READ_BYTES equ 8000h

start:
        cld
        call    make_crc_table
        mov     di, report
        mov     si, text_title
        call    put_text
        ; The current folder: "X:\" and what DOS reports after it.
        mov     si, text_folder
        call    put_text
        mov     ah, 19h
        int     21h
        add     al, 'A'
        stosb
        mov     ax, ':' | ('\' << 8)
        stosw
        mov     si, di
        xor     dl, dl
        mov     ah, 47h
        int     21h
.folder_end:
        cmp     byte [di], 0
        je      .folder_done
        inc     di
        jmp     .folder_end
.folder_done:
        call    put_newline

        mov     si, text_file
        call    put_text
        mov     dx, data_name
        mov     ax, 3D00h
        int     21h
        jnc     .opened
        mov     si, text_missing
        call    put_text
        mov     byte [exit_code], 1
        jmp     finish
.opened:
        mov     [data_handle], ax
        mov     dword [size], 0
        mov     dword [crc], 0FFFFFFFFh
.read:
        mov     bx, [data_handle]
        mov     cx, READ_BYTES
        mov     dx, buffer
        mov     ah, 3Fh
        int     21h
        jc      .read_failed
        test    ax, ax
        jz      .read_done
        movzx   ecx, ax
        add     [size], ecx
        mov     si, buffer
        mov     eax, [crc]
.crc_byte:
        movzx   ebx, byte [si]
        xor     bl, al
        shr     eax, 8
        xor     eax, [crc_table + ebx * 4]
        inc     si
        loop    .crc_byte
        mov     [crc], eax
        jmp     .read
.read_failed:
        mov     bx, [data_handle]
        mov     ah, 3Eh
        int     21h
        mov     si, text_unreadable
        call    put_text
        mov     byte [exit_code], 2
        jmp     finish
.read_done:
        mov     bx, [data_handle]
        mov     ah, 3Eh
        int     21h
        mov     eax, [size]
        call    put_decimal
        mov     si, text_bytes
        call    put_text
        mov     eax, [crc]
        not     eax
        call    put_hex
        call    put_newline

finish:
        ; The screen, then the log beside Patch.rtp.
        mov     cx, di
        sub     cx, report
        mov     [report_length], cx
        mov     bx, 1
        mov     dx, report
        mov     ah, 40h
        int     21h
        mov     dx, log_name
        xor     cx, cx
        mov     ah, 3Ch
        int     21h
        jc      .no_log
        mov     bx, ax
        mov     cx, [report_length]
        mov     dx, report
        mov     ah, 40h
        int     21h
        jc      .no_log_close
        cmp     ax, [report_length]
        jne     .no_log_close
        mov     ah, 3Eh
        int     21h
        jmp     .exit
.no_log_close:
        mov     ah, 3Eh
        int     21h
.no_log:
        mov     dx, text_no_log
        mov     ah, 09h
        int     21h
        mov     byte [exit_code], 3
.exit:
        mov     al, [exit_code]
        mov     ah, 4Ch
        int     21h

; The table of the reflected CRC-32 (polynomial 0EDB88320h).
make_crc_table:
        mov     di, crc_table
        xor     cx, cx
.entry:
        movzx   eax, cl
        mov     bl, 8
.bit:
        shr     eax, 1
        jnc     .no_xor
        xor     eax, 0EDB88320h
.no_xor:
        dec     bl
        jnz     .bit
        stosd
        inc     cl
        jnz     .entry
        ret

; Copies the zero-terminated text at SI to DI.
put_text:
        lodsb
        test    al, al
        jz      .done
        stosb
        jmp     put_text
.done:
        ret

put_newline:
        mov     ax, 0A0Dh
        stosw
        ret

; EAX in decimal at DI.
put_decimal:
        mov     ebx, 10
        xor     cx, cx
.divide:
        xor     edx, edx
        div     ebx
        push    dx
        inc     cx
        test    eax, eax
        jnz     .divide
.digit:
        pop     ax
        add     al, '0'
        stosb
        loop    .digit
        ret

; EAX as eight upper-case hexadecimal digits at DI.
put_hex:
        mov     cx, 8
.digit:
        rol     eax, 4
        movzx   bx, al
        and     bl, 0Fh
        mov     dl, [hex_digits + bx]
        mov     [di], dl
        inc     di
        loop    .digit
        ret

text_title      db 'Sample patch engine (a stand-in for a real one)', 13, 10, 0
text_folder     db 'folder: ', 0
text_file       db 'Patch.rtp: ', 0
text_missing    db 'not found', 13, 10, 0
text_unreadable db 'could not be read', 13, 10, 0
text_bytes      db ' bytes, CRC-32 ', 0
text_no_log     db 'ENGINE.LOG could not be written', 13, 10, '$'
hex_digits      db '0123456789ABCDEF'
data_name       db 'PATCH.RTP', 0
log_name        db 'ENGINE.LOG', 0
exit_code       db 0

        section .bss
        alignb  4
crc             resd 1
size            resd 1
data_handle     resw 1
report_length   resw 1
crc_table       resd 256
report          resb 200
buffer          resb READ_BYTES
