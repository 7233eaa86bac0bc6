; The example batch of `make run` without a display: each line names a circuit of this
; folder and the analyses to run on it (/T transient, /A AC, /D DC). The log is demo.DOC.
rc_lowpass.cir /T /A
diode_bridge.cir /T
