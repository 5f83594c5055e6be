object vxMemoDlg: TvxMemoDlg
  Left = 200
  Top = 108
  Width = 561
  Height = 395
  Caption = 'Dialog'
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = [fsBold]
  Position = poScreenCenter
  PixelsPerInch = 96
  OnCloseQuery = FormCloseQuery
  OnResize = FormResize
  OnShow = FormShow
  object Memo: TMemo
    Left = 6
    Top = 6
    Width = 545
    Height = 321
    ScrollBars = ssVertical
    TabOrder = 0
    WantTabs = True
    OnKeyDown = MemoKeyDown
  end
  object UserButtonPanel: TPanel
    Left = 5
    Top = 329
    Width = 237
    Height = 41
    BevelInner = bvLowered
    TabOrder = 3
    Visible = False
    object UserButton1: TButton
      Left = 16
      Top = 8
      Width = 89
      Height = 26
      TabOrder = 0
      Visible = False
      OnClick = UserButton1Click
    end
    object UserButton2: TButton
      Left = 128
      Top = 8
      Width = 89
      Height = 26
      TabOrder = 1
      Visible = False
      OnClick = UserButton2Click
    end
  end
end
