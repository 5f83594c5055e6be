object AbortPrinting: TAbortPrinting
  Left = 300
  Top = 200
  BorderIcons = []
  BorderStyle = bsSingle
  Caption = 'Printing'
  ClientHeight = 99
  ClientWidth = 154
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -14
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  FormStyle = fsStayOnTop
  Position = poScreenCenter
  PixelsPerInch = 120
  object Bevel1: TBevel
    Left = 8
    Top = 8
    Width = 138
    Height = 40
    Shape = bsFrame
  end
  object Label1: TLabel
    Left = 10
    Top = 16
    Width = 134
    Height = 24
    Alignment = taCenter
    AutoSize = False
    Caption = 'Printing'
    Font.Charset = DEFAULT_CHARSET
    Font.Color = clWindowText
    Font.Height = -19
    Font.Name = 'MS Sans Serif'
    Font.Style = [fsBold]
    ParentFont = False
  end
  object AbortBtn: TButton
    Left = 2
    Top = 56
    Width = 150
    Height = 36
    Cancel = True
    Caption = 'Press to Stop Printing'
    Font.Charset = DEFAULT_CHARSET
    Font.Color = clRed
    Font.Height = -12
    Font.Name = 'Arial'
    Font.Style = [fsBold]
    ParentFont = False
    TabOrder = 0
    OnClick = AbortBtnClick
  end
end
